// Aide KRV: shows the PDF that the host application named in the exchange file.
#include "application.h"
#include "failures.h"
#include "menu_pdf.h"
#include "one_help.h"
#include "text_reading_process.h"

#include <cstring>

int main(int argc, char** argv) {
    // Started by a help to read a long document's text beside it: no window.
    if (argc == 2 && std::strcmp(argv[1], krv::text_reading_argument) == 0)
        return krv::serve_text_reading();
    krv::ignore_closed_output();
    // A help already running here shows the document instead: one help at a time.
    // Asked before anything is built, so that this process ends at once.
    const krv::hand_over asked = krv::hand_over_to_running_help();
    if (asked == krv::hand_over::taken)
        return 0;
    krv::application app(argc, argv);
    krv::text_reading_process::set_program(QCoreApplication::applicationFilePath());
    krv::one_help one(asked);
    if (one.handed_over())
        return 0;
    krv::load_form<krv::menu_pdf>().show_modeless();
    int status = krv::program_exit_status();
    if (!krv::program_ending()) {
        one.serve();
        status = app.exec();
    }
    // Ending waits for no work in progress.
    krv::end_background_work();
    return status;
}
