#include "menu_pdf.h"

#include "affic_pdf.h"
#include "desktop.h"
#include "events.h"
#include "failures.h"
#include "identity.h"
#include "inter_logg.h"
#include "krv_pdf2.h"
#include "modu_declarations.h"
#include "record_file.h"
#include "resources.h"
#include "text.h"

#include <QPushButton>

namespace krv {

namespace {

QLabel* hidden_label(QWidget* parent, const twips_rect& where) {
    auto* label = new QLabel(QStringLiteral("Label1"), parent);
    form::place(label, where);
    label->hide();
    return label;
}

} // namespace

menu_pdf::menu_pdf() : form(frame_style::fixed_single) {
    setWindowTitle(QStringLiteral("© ") + identity::maker);
    setWindowIcon(pictures::application_icon());
    set_key_preview(true);
    set_twips_width(1515);
    set_twips_height(11070);

    Label2 = new QLabel(QStringLiteral("Aide"), this);
    place(Label2, {120, 120, 1185, 375});
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setFont(font_named(QStringLiteral("MS Sans Serif"), 12));
    set_colours(Label2, QColor(255, 255, 0), QColor(0, 0, 64));

    // The logo has no place of its own in the layout: under the title, centred.
    Image1 = new picture_control(this);
    place(Image1, {232.5f, 720, 960, 720});
    Image1->set_picture(QPixmap(pictures::logo));
    Image1->setToolTip(identity::maker);
    Image1->setCursor(Qt::PointingHandCursor);

    bt_rech = new picture_control(this);
    place(bt_rech, {150, 8070, 1095, 1095});
    bt_rech->set_picture(QPixmap(pictures::bt_rech));
    bt_rech->setToolTip(QStringLiteral("Consultez une documentation disponible"));

    bt_fin = new picture_control(this);
    place(bt_fin, {150, 9330, 1095, 1095});
    bt_fin->set_picture(QPixmap(pictures::bt_fin));
    bt_fin->setToolTip(QStringLiteral("Sortie de l'aide"));

    // Outside the client area, and never focused: a stray Enter cannot end the help.
    Commande1 = new QPushButton(QStringLiteral("Fin"), this);
    place(Commande1, {3600, 9180, 765, 945});
    Commande1->setFocusPolicy(Qt::NoFocus);
    Commande1->setToolTip(QStringLiteral("Retour a la fiche Ridaza"));
    Commande1->setFont(font_named(QStringLiteral("MS Serif"), 6));
    Commande1->setStyleSheet(QStringLiteral("QPushButton { background: white; }"));

    Label1 = hidden_label(this, {720, 5430, 3075, 405});
    Label7 = hidden_label(this, {240, 2250, 3075, 405});

    connect(bt_rech, &picture_control::clicked, this,
            [this] { run_handler([this] { bt_rech_Click(); }); });
    connect(bt_fin, &picture_control::clicked, this,
            [this] { run_handler([this] { bt_fin_Click(); }); });
    connect(Image1, &picture_control::clicked, this,
            [this] { run_handler([this] { Image1_Click(); }); });
    connect(Commande1, &QPushButton::clicked, this,
            [this] { run_handler([this] { Commande1_Click(); }); });
}

void menu_pdf::Form_Load() {
    shared_state& state = shared();
    bool use_default = true;
    run_statements({
        [&] { set_twips_left((screen_width_twips() - reference_width) / 2.0f); },
        [&] { set_twips_top(0); },
        [&] { load_form<affic_pdf>().show_modeless(); },
        [&] { state.nom_document = inter_logg::lit_intlog(QStringLiteral("DOC:FCAIS")); },
        // The host's value ends at its first NUL, as its C strings do.
        [&] { use_default = trim_spaces(before_first_nul(state.nom_document)).isEmpty(); },
        [&] {
            if (use_default)
                state.nom_document = QStringLiteral("Documentation.pdf");
        },
        [&] { affic_document(); },
    });
}

void menu_pdf::Form_KeyPress(std::int16_t& key_ascii) {
    if (key_ascii == 27)
        bt_fin_Click();
}

void menu_pdf::system_close() {
    bt_fin_Click();
}

void menu_pdf::affic_document() {
    shared_state& state = shared();
    const double now = clock_seconds();
    if (state.heure_ouverture && now - *state.heure_ouverture <= 0.5) {
        attente();
        return;
    }
    state.heure_ouverture = now;
    set_mouse_pointer(mouse_pointer::busy);
    state.w_chaine = document_path(File1.path(), state.nom_document);
    state.requested_path = state.w_chaine;
    // The design arms the viewer's own timer and repaints the viewer from here.
    affic_pdf& viewer = load_form<affic_pdf>();
    viewer.Timer1->set_interval(250);
    viewer.refresh();
    set_mouse_pointer(mouse_pointer::arrow);
}

void menu_pdf::bt_rech_Click() {
    load_form<krv_pdf2>().show_modal();
    bring_to_front();
    // The dialog leaves its choice in the shared work string.
    shared_state& state = shared();
    if (!trim_spaces(state.w_chaine).isEmpty()) {
        state.nom_document = state.w_chaine;
        affic_document();
    }
}

void menu_pdf::bt_fin_Click() {
    end_program(0);
}

void menu_pdf::Commande1_Click() {
    close_all_files();
    process_events();
    end_program(0);
}

void menu_pdf::Image1_Click() {
    shared_state& state = shared();
    state.w_chaine = identity::maker_address;
    // A browser that cannot be started is said later, and the help goes on.
    open_url(QUrl(state.w_chaine),
             [](const QString& message) { run_handler([&] { message_box(message); }); });
}

} // namespace krv
