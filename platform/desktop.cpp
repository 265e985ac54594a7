#include "desktop.h"

#include <QApplication>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <set>

namespace krv {

namespace {

std::function<void(const QUrl&)>& test_opener() {
    static std::function<void(const QUrl&)> opener;
    return opener;
}

// QProcess kills its process when it is destroyed: an opener that is still running
// at the end (xdg-open may wait for the browser it started) is never destroyed,
// so the help's end does not close the user's browser. The running ones are kept
// here until they end.
std::set<QProcess*>& running_openers() {
    static std::set<QProcess*> openers;
    return openers;
}

void forget_when_done(QProcess* process) {
    running_openers().insert(process);
    auto forget = [process] {
        running_openers().erase(process);
        process->deleteLater();
    };
    QObject::connect(process, &QProcess::finished, process, forget);
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [forget](QProcess::ProcessError e) {
                         if (e == QProcess::FailedToStart)
                             forget();
                     });
}

mouse_pointer& wanted_pointer() {
    static mouse_pointer pointer = mouse_pointer::arrow;
    return pointer;
}

bool& pointer_pending() {
    static bool pending = false;
    return pending;
}

bool window_on_screen() {
    const QWindowList windows = QGuiApplication::topLevelWindows();
    return std::any_of(windows.begin(), windows.end(),
                       [](const QWindow* window) { return window->isExposed(); });
}

void apply_pointer() {
    if (wanted_pointer() == mouse_pointer::busy) {
        if (QApplication::overrideCursor())
            QApplication::changeOverrideCursor(Qt::WaitCursor);
        else
            QApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace

void set_mouse_pointer(mouse_pointer pointer) {
    wanted_pointer() = pointer;
    // Over no window on screen the pointer shows nothing, and before the event
    // loop runs the change shows only once it does: the start-up sets it busy
    // while its windows come up, and the busy pointer's lookup in the cursor theme
    // (a 4 MB animation read, sent to the X server, 8 to 10 ms) would only delay
    // the viewer's timer. It is settled by the event loop's first turn then.
    if (window_on_screen() && QThread::currentThread()->loopLevel() > 0) {
        apply_pointer();
        return;
    }
    if (!pointer_pending()) {
        pointer_pending() = true;
        QTimer::singleShot(0, QCoreApplication::instance(), [] {
            pointer_pending() = false;
            apply_pointer();
        });
    }
}

mouse_pointer current_mouse_pointer() {
    return wanted_pointer();
}

QString no_opener_message(const QUrl& address) {
    const QString shown = address.toDisplayString();
    if (address.scheme() == QStringLiteral("mailto"))
        return QStringLiteral("Aucune messagerie n’a pu être lancée pour écrire à %1.")
            .arg(address.path());
    return QStringLiteral("Aucun navigateur Web n’a pu être lancé pour afficher %1.").arg(shown);
}

void open_url(const QUrl& address, std::function<void(const QString& message)> on_failure) {
    if (test_opener()) {
        test_opener()(address);
        return;
    }
    // Not a child of the application object: see forget_when_done.
    auto* process = new QProcess;
    process->setProgram(QStringLiteral("xdg-open"));
    process->setArguments({QString::fromUtf8(address.toEncoded())});
    // Nothing of ours for the browser to write into once the help has ended.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // Always from the event loop, never inside this call (a failure to start is
    // known at once).
    auto fail = [address, on_failure] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [address, on_failure] {
                if (on_failure)
                    on_failure(no_opener_message(address));
            },
            Qt::QueuedConnection);
    };
    QObject::connect(process, &QProcess::errorOccurred, process, [fail](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            fail();
    });
    QObject::connect(process, &QProcess::finished, process,
                     [fail](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || code != 0)
                             fail();
                     });
    forget_when_done(process);
    process->start();
}

void set_url_opener(std::function<void(const QUrl& address)> opener) {
    test_opener() = std::move(opener);
}

} // namespace krv
