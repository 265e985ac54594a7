#include "menu_pdf.h"

#include "accessibility.h"
#include "affic_pdf.h"
#include "application.h"
#include "desktop.h"
#include "events.h"
#include "failures.h"
#include "file_names.h"
#include "full_screen.h"
#include "identity.h"
#include "inter_logg.h"
#include "krv_pdf2.h"
#include "modu_declarations.h"
#include "record_file.h"
#include "resources.h"
#include "tab_between_windows.h"
#include "text.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace krv {

namespace {

QLabel* hidden_label(QWidget* parent, const twips_rect& where) {
    auto* label = new QLabel(QStringLiteral("Label1"), parent);
    form::place(label, where);
    label->hide();
    set_decorative(label);
    return label;
}

// What screen readers say of a picture button: its name, and what its tooltip
// says with the key that does the same.
struct spoken {
    QString name;
    QString description;
};

// A picture button at its place, drawn for the screen, with its tooltip; Tab
// reaches it, and Space or Enter then presses it.
picture_control* picture_button(QWidget* parent, const twips_rect& where, const QString& picture,
                                const QString& tip, const spoken& said) {
    auto* button = new picture_control(parent);
    form::place(button, where);
    button->set_picture(pictures::sharp(picture, parent->devicePixelRatioF()));
    button->setToolTip(tip);
    button->setAccessibleName(said.name);
    button->setAccessibleDescription(said.description);
    button->set_keyboard_reachable(true);
    return button;
}

// The main keys, so that they can be found without the manual.
QLabel* keys_legend_label(QWidget* parent, const twips_rect& where) {
    auto* legend = new QLabel(parent);
    form::place(legend, where);
    legend->setTextFormat(Qt::RichText);
    // Laid out once the event loop runs, before the first paint: the first text
    // laid out loads the font database (fontconfig), which would otherwise hold
    // back the viewer's timer by its time.
    QMetaObject::invokeMethod(
        legend,
        [legend] {
            legend->setText(QStringLiteral(
                "<div style='line-height:120%'><b>Ctrl+O</b><br>Autre document<br><br>"
                "<b>Ctrl+F</b><br>Rechercher<br><br><b>Ctrl+P</b><br>Imprimer<br><br>"
                "<b>Échap</b><br>Quitter</div>"));
        },
        Qt::QueuedConnection);
    legend->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    legend->setFont(font_named(QStringLiteral("MS Sans Serif"), 8.25f));
    set_shows_value(legend); // before its name: that is asked about at once
    legend->setAccessibleName(QStringLiteral("Touches"));
    set_colours(legend, QColor(0x50, 0x58, 0x60));
    legend->setStyleSheet(
        QStringLiteral("QLabel { border-top: 1px solid #c8ccd2; padding-top: 10px; }"));
    return legend;
}

} // namespace

menu_pdf::menu_pdf() : form(frame_style::fixed_single) {
    setWindowTitle(QStringLiteral("© ") + identity::maker);
    // Spoken by screen readers, where the caption's sign would read "copyright".
    setAccessibleName(identity::title);
    set_accessible_role(this, QAccessible::Window);
    // The start-up window gives the whole program its icon: every window and
    // dialog carries it.
    QApplication::setWindowIcon(pictures::application_icon());
    set_key_preview(true);
    set_twips_width(1515);
    set_twips_height(design_height);

    Label2 = new QLabel(QStringLiteral("Aide"), this);
    place(Label2, {120, 120, 1185, 375});
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setFont(font_named(QStringLiteral("MS Sans Serif"), 12));
    set_colours(Label2, QColor(255, 255, 0), QColor(0, 0, 64));

    // The logo has no place of its own in the layout: under the title, centred. It
    // leads to the maker's site, a link to screen readers.
    Image1 = picture_button(this, {232.5f, 720, 960, 720}, pictures::logo, identity::maker,
                            {QStringLiteral("Site Web de ") + identity::maker, {}});
    set_accessible_role(Image1, QAccessible::Link);
    Image1->setCursor(Qt::PointingHandCursor);
    // The tooltips as the design words them; the keys are in the legend and in
    // what screen readers say.
    bt_rech = picture_button(this, {150, 8070, 1095, 1095}, pictures::bt_rech,
                             QStringLiteral("Consultez une documentation disponible"),
                             {QStringLiteral("Rechercher une documentation"),
                              QStringLiteral("Consultez une documentation disponible (Ctrl+O)")});
    bt_fin = picture_button(this, {150, 9330, 1095, 1095}, pictures::bt_fin,
                            QStringLiteral("Sortie de l'aide"),
                            {QStringLiteral("Fin"), QStringLiteral("Sortie de l’aide (Échap)")});

    // Outside the client area, and never focused: a stray Enter cannot end the help.
    // Nobody sees it, so assistive tools are not told of it either.
    Commande1 = new QPushButton(QStringLiteral("Fin"), this);
    place(Commande1, {3600, 9180, 765, 945});
    Commande1->setFocusPolicy(Qt::NoFocus);
    Commande1->setToolTip(QStringLiteral("Retour a la fiche Ridaza"));
    Commande1->setFont(font_named(QStringLiteral("MS Serif"), 6));
    Commande1->setStyleSheet(QStringLiteral("QPushButton { background: white; }"));
    set_decorative(Commande1);

    keys_legend = keys_legend_label(this, {120, 4320, 1185, 3300});

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
    add_key_hook(this,
                 [this](QObject* receiver, QKeyEvent* key) { return choice_key(receiver, key); });
}

void menu_pdf::Form_Load() {
    run_statements({
        [&] { set_twips_left(pair_left(screen_width_twips())); },
        [&] { set_twips_top(0); },
        [&] { load_form<affic_pdf>().show_modeless(); },
        // Not the design's: Tab goes on from the last stop of one window to the
        // first of the other, so that the keyboard reaches both as one.
        [&] {
            join_tab_orders({this, &load_form<affic_pdf>()});
        },
        // Not the design's either: F11 shows the viewer alone, full screen, and back.
        [&] {
            affic_pdf& viewer = load_form<affic_pdf>();
            allow_full_screen(viewer, *viewer.APDF_Objet, {this});
        },
    });
    request_host_document(request_from::user);
}

bool menu_pdf::request_host_document(request_from from) {
    shared_state& state = shared();
    bool use_default = true;
    bool too_soon = false;
    run_statements({
        [&] { state.nom_document = inter_logg::lit_intlog(QStringLiteral("DOC:FCAIS")); },
        // The host's value ends at its first NUL, as its C strings do.
        [&] { use_default = trim_spaces(before_first_nul(state.nom_document)).isEmpty(); },
        [&] {
            if (use_default)
                state.nom_document = QStringLiteral("Documentation.pdf");
        },
        [&] { too_soon = !affic_document(from); },
    });
    return !too_soon;
}

bool menu_pdf::show_host_document() {
    // Through the opening routine, as a choice; the host's request is never
    // refused, only made again once the half second has passed.
    if (!request_host_document(request_from::host))
        return false;
    affic_pdf& viewer = load_form<affic_pdf>();
    for (form* window : {static_cast<form*>(&viewer), static_cast<form*>(this)})
        if (window->isMinimized())
            window->showNormal();
    viewer.raise();
    bring_to_front();
    // A dialog open over the help stays over it.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
    return true;
}

void menu_pdf::show_document_at(const QString& name, const document_place& place) {
    // The place rides after the name, as the host writes it.
    shared().nom_document = name + place_parameters(place);
    affic_document();
}

void menu_pdf::Form_KeyPress(std::int16_t& key_ascii) {
    if (key_ascii == 27)
        bt_fin_Click();
}

void menu_pdf::system_close() {
    bt_fin_Click();
}

bool menu_pdf::affic_document(request_from from) {
    shared_state& state = shared();
    const double now = clock_seconds();
    if (seconds_until_accepted(state, now) > 0) {
        // The debounce spares the user a double click; the host has already been
        // told its request was taken, so its request waits instead.
        if (from == request_from::user)
            attente();
        return false;
    }
    state.heure_ouverture = now;
    set_mouse_pointer(mouse_pointer::busy);
    // The host may add a place after the name ("guide.PDF#page=12").
    const QString folder = File1.path();
    const placed_name request = split_place(state.nom_document, [&](const QString& name) {
        return type_of(document_path(folder, name)) != file_type::missing;
    });
    state.w_chaine = document_path(folder, request.name);
    state.requested_path = state.w_chaine;
    state.requested_place = request.place;
    // The design arms the viewer's own timer and repaints the viewer from here.
    affic_pdf& viewer = load_form<affic_pdf>();
    viewer.Timer1->set_interval(250);
    viewer.refresh();
    set_mouse_pointer(mouse_pointer::arrow);
    return true;
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

bool menu_pdf::choice_key(QObject* receiver, const QKeyEvent* key) {
    // Ctrl+O and F1 choose another document from either window, as the glass does;
    // a modal dialog (the list itself, a message) keeps its keys.
    const QKeyCombination combination = key->keyCombination();
    if (combination != QKeyCombination(Qt::ControlModifier, Qt::Key_O) &&
        combination != QKeyCombination(Qt::Key_F1))
        return false;
    if (!receiver->isWidgetType() || QApplication::activeModalWidget())
        return false;
    const QWidget* window = static_cast<QWidget*>(receiver)->window();
    if (window != this && window != find_form<affic_pdf>())
        return false;
    run_handler([this] { bt_rech_Click(); });
    return true;
}

} // namespace krv
