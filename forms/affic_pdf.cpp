#include "affic_pdf.h"

#include "accessibility.h"
#include "application.h"
#include "desktop.h"
#include "errors.h"
#include "failures.h"
#include "file_names.h"
#include "menu_pdf.h"
#include "modu_declarations.h"
#include "nom_lisible.h"
#include "placement.h"

#include <QApplication>
#include <QKeyEvent>

namespace krv {

namespace {

// What the component leaves of the window: it stays 90 twips in on the left and
// top, and 30 on the right and bottom.
constexpr float component_allowance = 120.0f;

// The folder's documents as the list shows them, for the search in every document.
std::vector<folder_document> folder_documents() {
    file_list files(QStringLiteral("*.pdf"));
    try {
        files.refresh();
    } catch (const error&) {
        return {}; // the list says why, when it is opened
    }
    std::vector<folder_document> documents;
    for (int number = 0; number < files.list_count(); ++number) {
        const QString& name = files.list(number);
        const QString readable = readable_file_name(name);
        const QString title = nom_lisible(readable);
        documents.push_back(
            {files.path() + u'/' + name, title.trimmed().isEmpty() ? readable : title});
    }
    return documents;
}

} // namespace

affic_pdf::affic_pdf() : form(frame_style::none) {
    setWindowTitle(QStringLiteral("Document PDF"));
    set_accessible_role(this, QAccessible::Window);
    set_twips_width(10035);
    set_twips_height(design_height);
    // Esc ends the help from the viewer too, as it does from the menu window.
    set_key_preview(true);

    APDF_Objet = new pdf_component(this);
    place(APDF_Objet, APDF_Objet_twips);
    // Set once the event loop runs: laying out its text would load the font
    // database (fontconfig) before the timer is armed; it shows only with a failure.
    QMetaObject::invokeMethod(
        this,
        [this] {
            APDF_Objet->set_failure_hint(
                QStringLiteral("Pour consulter une autre documentation, cliquez sur la loupe "
                               "de la fenêtre de gauche ou tapez Ctrl+O."));
        },
        Qt::QueuedConnection);
    Timer1 = new form_timer(this);

    // Reading starts with the request, so that the page is ready at the tick. The
    // request's path comes through the shared state, as the design hands it over.
    // Queued: the windows show first, the reading's start (the file, the pdf
    // thread, qpdf's module) comes once the event loop runs, within the wait.
    connect(
        Timer1, &form_timer::armed, this,
        [this] { run_handler([this] { APDF_Objet->prepare(shared().requested_path); }); },
        Qt::QueuedConnection);
    connect(Timer1, &form_timer::tick, this, [this] { run_handler([this] { Timer1_Timer(); }); });
    // Addresses from the document's links go to the desktop's browser or mail
    // program; what the reader refuses or cannot do is said in a message.
    connect(APDF_Objet, &pdf_component::open_url_requested, this,
            [this](const QUrl& url) { run_handler([&] { open_link_address(url); }); });
    // A hit of the search in every document opens as a choice from the list does.
    APDF_Objet->folder().set_source(folder_documents);
    connect(APDF_Objet, &pdf_component::document_requested, this,
            [](const QString& path, const document_place& place) {
                run_handler(
                    [&] { load_form<menu_pdf>().show_document_at(file_name_of(path), place); });
            });
    connect(APDF_Objet, &pdf_component::notice, this,
            [](const QString& text) { run_handler([&] { message_box(text); }); });
    // The reader's keys work in every window of the help, not only in this one.
    add_key_hook(this,
                 [this](QObject* receiver, QKeyEvent* key) { return reading_key(receiver, key); });
}

void affic_pdf::Form_Load() {
    // The design places the viewer from the menu window's own geometry.
    const menu_pdf& menu = load_form<menu_pdf>();
    set_twips_left(menu.twips_width() + menu.twips_left());
    set_twips_width(viewer_width(menu.twips_width()));
    set_twips_top(0);
    APDF_Objet_twips.width = twips_width() - component_allowance;
    APDF_Objet_twips.height = twips_height() - component_allowance;
    place(APDF_Objet, APDF_Objet_twips);
}

void affic_pdf::Timer1_Timer() {
    // The request's own path, even if the shared work string was used since.
    APDF_Objet->set_src(shared().requested_path, shared().requested_place);
    Timer1->set_interval(0);
    refresh();
}

void affic_pdf::open_link_address(const QUrl& url) {
    // As the logo's address: a program that cannot be started is said later.
    open_url(url, [](const QString& message) { run_handler([&] { message_box(message); }); });
}

void affic_pdf::Form_KeyPress(std::int16_t& key_ascii) {
    if (key_ascii == 27)
        end_program(0);
}

void affic_pdf::system_close() {
    end_program(0);
}

bool affic_pdf::reading_key(QObject* receiver, QKeyEvent* key) {
    // A modal dialog (the list, a message, printing) keeps its keys to itself.
    if (!receiver->isWidgetType() || QApplication::activeModalWidget() || !isVisible())
        return false;
    // Space presses the menu's picture the keyboard went to, rather than scroll.
    if (const auto* picture = qobject_cast<picture_control*>(receiver);
        picture && picture->has_keyboard_focus() && key->key() == Qt::Key_Space)
        return false;
    QWidget* window = static_cast<QWidget*>(receiver)->window();
    if (!qobject_cast<form*>(window))
        return false;
    return APDF_Objet->handle_key(key, window == this ? key_origin::reader_window
                                                      : key_origin::other_window);
}

} // namespace krv
