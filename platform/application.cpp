#include "application.h"

#include "accessibility.h"
#include "current_row_focus.h"
#include "events.h"
#include "failures.h"
#include "form.h"
#include "identity.h"
#include "screen_fit.h"

#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

#include <atomic>
#include <csignal>
#include <malloc.h>

namespace krv {

namespace {

struct hook_entry {
    QPointer<QObject> owner;
    key_hook hook;
};

std::vector<hook_entry>& key_hooks() {
    static std::vector<hook_entry> hooks;
    return hooks;
}

bool run_key_hooks(QObject* receiver, QEvent* e) {
    if (e->type() != QEvent::KeyPress)
        return false;
    auto& hooks = key_hooks();
    std::erase_if(hooks, [](const hook_entry& h) { return !h.owner; });
    const auto snapshot = hooks; // a hook may add or drop hooks
    for (const hook_entry& h : snapshot)
        if (h.owner && h.hook(receiver, static_cast<QKeyEvent*>(e)))
            return true;
    return false;
}

// The user's input while a user_input_pause lives: dropped, but for Esc.
bool paused_input(QEvent* e) {
    switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        return static_cast<QKeyEvent*>(e)->key() != Qt::Key_Escape;
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// Two heaps, not one per thread that allocates (up to eight per core): the pdf
// thread's arena and the others' each kept a few MiB of freed memory that
// malloc_trim could not give back. Set before Qt starts its own threads.
char** with_two_heaps(char** argv) {
    mallopt(M_ARENA_MAX, 2);
    return argv;
}

} // namespace

void ignore_closed_output() {
    std::signal(SIGPIPE, SIG_IGN);
}

void add_key_hook(QObject* owner, key_hook hook) {
    key_hooks().push_back({owner, std::move(hook)});
}

application::application(int& argc, char** argv) : QApplication(argc, with_two_heaps(argv)) {
    setApplicationName(identity::executable);
    setApplicationVersion(identity::version);
    setOrganizationName(identity::maker);
    setDesktopFileName(identity::application_id);
    // Numbers in Qt's dialogs (margins, paper sizes) written the French way.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    load_qt_translations(*this);
    install_font_substitutions();
    install_accessibility();
    keep_dialogs_on_screen(*this);
    install_current_row_focus();
}

application::~application() {
    unload_all_forms();
}

bool application::notify(QObject* receiver, QEvent* e) {
    try {
        // The type first: the pause is the GUI thread's, and the other threads'
        // events pass here too.
        if (paused_input(e) && user_input_paused())
            return true;
        if (rest_of_closing_key(e) || run_key_hooks(receiver, e) || preview_key(receiver, e))
            return true;
        return QApplication::notify(receiver, e);
    } catch (...) {
        // No exception crosses the event loop: what failed is said, and the help
        // goes on. Said once the event is over (no dialog inside a delivery), and
        // once while it shows: an event that fails each time brings no flood.
        static std::atomic<bool> told = false; // a handler may fail on any thread
        if (!told.exchange(true)) {
            QMetaObject::invokeMethod(
                this,
                [text = current_failure_text()] {
                    message_box(text);
                    told = false;
                },
                Qt::QueuedConnection);
        }
        return true;
    }
}

bool load_qt_translations(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    // Ours, installed last so that Qt asks it first: the texts of the print dialogs
    // that Qt's translation leaves in English or gets wrong.
    auto* ours = new QTranslator(&app);
    if (!ours->load(QStringLiteral(":/i18n/krv_qt_fr.qm"))) {
        delete ours;
        return false;
    }
    return QCoreApplication::installTranslator(ours);
}

void install_font_substitutions() {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Serif"), {QStringLiteral("Liberation Serif"),
                                                            QStringLiteral("DejaVu Serif")});
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
}

} // namespace krv
