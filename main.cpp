// Aide KRV: shows the PDF that the host application named in the exchange file.
#include "application.h"
#include "failures.h"
#include "menu_pdf.h"

int main(int argc, char** argv) {
    krv::ignore_closed_output();
    krv::application app(argc, argv);
    krv::load_form<krv::menu_pdf>().show_modeless();
    if (krv::program_ending())
        return krv::program_exit_status();
    return app.exec();
}
