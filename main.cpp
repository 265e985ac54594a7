// Aide KRV: shows the PDF that the host application named in the exchange file.
#include "application.h"
#include "failures.h"
#include "menu_pdf.h"
#include "one_help.h"

int main(int argc, char** argv) {
    krv::ignore_closed_output();
    krv::application app(argc, argv);
    // A help already running here shows the document instead: one help at a time.
    krv::one_help one;
    if (one.handed_over())
        return 0;
    krv::load_form<krv::menu_pdf>().show_modeless();
    if (krv::program_ending())
        return krv::program_exit_status();
    one.serve();
    return app.exec();
}
