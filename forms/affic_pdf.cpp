#include "affic_pdf.h"

#include "failures.h"
#include "menu_pdf.h"
#include "modu_declarations.h"
#include "resources.h"

namespace krv {

namespace {

// What the component leaves free around it, right and bottom margins included.
constexpr float marge_composant = 120.0f;

} // namespace

affic_pdf::affic_pdf() : form(frame_style::none) {
    setWindowTitle(QStringLiteral("Document PDF"));
    setWindowIcon(images::icone());
    set_twips_width(10035);
    set_twips_height(11070);
    // Esc ends the help from the viewer too, as it does from the menu window.
    set_key_preview(true);

    APDF_Objet = new pdf_component(this);
    place(APDF_Objet, APDF_Objet_twips);
    Timer1 = new form_timer(this);

    // Reading starts with the request, so that the page is ready at the tick.
    connect(Timer1, &form_timer::armed, this,
            [this] { run_handler([this] { APDF_Objet->prepare(partage().chemin_demande); }); });
    connect(Timer1, &form_timer::tick, this, [this] { run_handler([this] { Timer1_Timer(); }); });
}

void affic_pdf::Form_Load() {
    menu_pdf& menu = instance<menu_pdf>();
    set_twips_left(menu.twips_width() + menu.twips_left());
    set_twips_width(largeur_reference - menu.twips_width());
    set_twips_top(0);
    APDF_Objet_twips.width = twips_width() - marge_composant;
    APDF_Objet_twips.height = twips_height() - marge_composant;
    place(APDF_Objet, APDF_Objet_twips);
}

void affic_pdf::Timer1_Timer() {
    // The request's own path, even if the shared work string was used since.
    APDF_Objet->set_src(partage().chemin_demande);
    Timer1->set_interval(0);
    refresh();
}

void affic_pdf::Form_KeyPress(std::int16_t& key_ascii) {
    if (key_ascii == 27)
        instance<menu_pdf>().bt_fin_Click();
}

void affic_pdf::system_close() { instance<menu_pdf>().bt_fin_Click(); }

} // namespace krv
