#include "krv_pdf2.h"

#include "accessibility.h"
#include "affic_pdf.h"
#include "desktop.h"
#include "errors.h"
#include "failures.h"
#include "file_names.h"
#include "icc.h"
#include "identity.h"
#include "modu_declarations.h"
#include "nom_lisible.h"
#include "placement.h"
#include "resources.h"

#include <QListWidget>

namespace krv {

namespace {

// A picture button named as its picture reads, its key in the tooltip.
picture_control* picture_button(QWidget* parent, const twips_rect& where, const QString& picture,
                                const QString& name, const QString& key) {
    auto* button = new picture_control(parent);
    form::place(button, where);
    button->set_picture(pictures::sharp(picture, parent->devicePixelRatioF()));
    button->setToolTip(QStringLiteral("%1 (%2)").arg(name, key));
    button->setAccessibleName(name);
    return button;
}

} // namespace

krv_pdf2::krv_pdf2() : form(frame_style::none) {
    setWindowTitle(QStringLiteral("Liste des documentations disponibles"));
    set_accessible_role(this, QAccessible::Dialog);
    set_key_preview(true);
    set_twips_width(11850);
    set_twips_height(8190);

    List1 = new QListWidget(this);
    place(List1, {450, 1020, 10845, 5190});
    List1->setFont(font_named(QStringLiteral("Arial"), 12));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setUniformItemSizes(true);
    List1->setAccessibleName(QStringLiteral("Documentations disponibles"));

    // The title banner, in the menu window's colours, with the maker's name.
    Label2 =
        new QLabel(identity::title + QStringLiteral("\u00a0: documentations disponibles"), this);
    place(Label2, {450, 540, 10845, 375});
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setFont(font_named(QStringLiteral("Arial"), 12));
    set_colours(Label2, QColor(255, 255, 0), QColor(0, 0, 64));

    // The instructions as the design words them, but for its typing error
    // ("li'mprimer").
    Label1 = new QLabel(QStringLiteral("Cliquez deux fois sur la documentation à visualiser. "
                                       "Vous pourrez l'imprimer directement à partir de "
                                       "l'écran suivant."),
                        this);
    // 1140 twips high rather than 795: in Arial's metrics (Liberation Sans) the text
    // wraps to four lines, 75 pixels, of which 795 twips would show two and a half.
    place(Label1, {450, 6540, 4065, 1140});
    Label1->setFont(font_named(QStringLiteral("Arial"), 12));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    set_colours(Label1, QColor(192, 64, 0));
    List1->setAccessibleDescription(Label1->text());

    // Enter and Esc are the list's keys: its pictures never take the focus.
    btc_no = picture_button(this, {9000, 6540, 1095, 1095}, pictures::btc_no,
                            QStringLiteral("Annuler"), QStringLiteral("Échap"));
    btc_ok = picture_button(this, {10230, 6540, 1095, 1095}, pictures::btc_ok,
                            QStringLiteral("Valider"), QStringLiteral("Entrée"));

    for (int i = 0; i < static_cast<int>(ccb.size()); ++i) {
        ccb[i] = new picture_control(this);
        place(ccb[i], {i == 0 ? 30.0f : 0.0f, 0, 480, 480});
        ccb[i]->set_stretch(i >= 4);
        add_to_control_array(*ccb[i], QStringLiteral("ccb"), i);
        set_decorative(ccb[i]);
    }

    List1->setFocus();
    connect(List1, &QListWidget::itemDoubleClicked, this,
            [this] { run_handler([this] { List1_DblClick(); }); });
    connect(btc_ok, &picture_control::clicked, this,
            [this] { run_handler([this] { btc_ok_Click(); }); });
    connect(btc_no, &picture_control::clicked, this,
            [this] { run_handler([this] { btc_no_Click(); }); });
}

void krv_pdf2::Form_Load() {
    habille_fenetre<icc>(*this);
    // The design centres the list over the viewer window, reading its geometry.
    const affic_pdf& viewer = load_form<affic_pdf>();
    set_twips_left(list_left(viewer.twips_left(), viewer.twips_width(), twips_width()));
    set_twips_top(list_top(twips_height()));
    try {
        File1.refresh();
    } catch (const error& e) {
        // The user can still cancel; the help goes on.
        message_box(e.description());
    }
    List1->clear();
    // The design builds each display text in the shared work string.
    shared_state& state = shared();
    const int count = File1.list_count();
    QStringList titles;
    titles.reserve(count);
    for (int number = 0; number < count; ++number) {
        // A name that is not UTF-8 is shown in the host's code page, for display only.
        state.w_chaine = nom_lisible(readable_file_name(File1.list(number)));
        titles << state.w_chaine;
    }
    // Rows go in at once: Qt's list inserts row by row in quadratic time.
    const int first = List1->count();
    List1->addItems(titles);
    for (int number = 0; number < count; ++number)
        List1->item(first + number)->setData(file_number_role, number);
    if (List1->count() > 0)
        List1->setCurrentRow(0);
}

void krv_pdf2::Form_KeyPress(std::int16_t& key_ascii) {
    if (key_ascii == 13)
        List1_DblClick();
    else if (key_ascii == 27)
        annul_demande();
}

void krv_pdf2::system_close() {
    annul_demande();
}

void krv_pdf2::List1_DblClick() {
    const QListWidgetItem* row = List1->currentItem();
    if (!row || !row->isSelected()) {
        // Nothing to confirm (an empty list): the same as cancelling.
        annul_demande();
        return;
    }
    run_ignoring_failures({
        [] { set_mouse_pointer(mouse_pointer::busy); },
        // The choice goes back to the menu window in the shared work string.
        [&] { shared().w_chaine = File1.list(row->data(file_number_role).toInt()); },
        [this] { unload(); },
    });
}

void krv_pdf2::btc_ok_Click() {
    List1_DblClick();
}

void krv_pdf2::btc_no_Click() {
    annul_demande();
}

void krv_pdf2::annul_demande() {
    shared().w_chaine.clear();
    unload();
}

} // namespace krv
