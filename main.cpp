// Aide KRV: shows the PDF that the host application named in the exchange file.
#include "application.h"
#include "failures.h"
#include "menu_pdf.h"
#include "one_help.h"

int main(int argc, char** argv) {
    krv::ignore_closed_output();
    // A help already running here shows the document instead: one help at a time.
    // Asked before anything is built, so that this process ends at once.
    const krv::hand_over asked = krv::hand_over_to_running_help();
    if (asked == krv::hand_over::taken)
        return 0;
    krv::application app(argc, argv);
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
