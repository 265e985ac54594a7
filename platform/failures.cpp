#include "failures.h"

#include "background_work.h"
#include "errors.h"
#include "program_end.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <exception>

#include <unistd.h>

namespace krv {

namespace {

bool ending = false;
int exit_status = 0;
// How long ending waits for the threads, from end_program: Esc ends the help
// within a second, whatever runs.
constexpr int thread_wait_ms = 300;
QDeadlineTimer threads_deadline;

void default_end(int status) {
    for (QWidget* w : QApplication::topLevelWidgets())
        w->hide();
    QCoreApplication::exit(status);
}

void default_message_box(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
    // Messages name documents, files and addresses: never read as HTML (a
    // document's link could show a live link there, or an image read from disk).
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

std::function<void(int)>& end_action() {
    static std::function<void(int)> action = default_end;
    return action;
}

std::function<void(const QString&, const QString&)>& box_action() {
    static std::function<void(const QString&, const QString&)> action = default_message_box;
    return action;
}

} // namespace

QString current_failure_text() {
    try {
        throw;
    } catch (const error& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QStringLiteral("Erreur inattendue\u00a0: %1").arg(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return QStringLiteral("Erreur inattendue");
    }
}

void run_handler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        const QString text = current_failure_text();
        message_box(text);
        end_program(1);
    }
}

void run_statements(std::initializer_list<std::function<void()>> statements) {
    for (const auto& statement : statements) {
        if (ending)
            return;
        try {
            statement();
        } catch (...) {
            message_box(current_failure_text());
        }
    }
}

void run_ignoring_failures(std::initializer_list<std::function<void()>> statements) {
    for (const auto& statement : statements) {
        try {
            statement();
        } catch (...) {
        }
    }
}

void message_box(const QString& text, const QString& title) {
    if (!ending) // work cut short by the end says so: nobody is there to read it
        box_action()(text, title);
}

void end_program(int status) {
    run_program_end_steps();
    ending = true;
    exit_status = status;
    threads_deadline = QDeadlineTimer(thread_wait_ms);
    end_action()(status);
}

void end_background_work() {
    if (!ending)
        threads_deadline = QDeadlineTimer(thread_wait_ms);
    // A thread still inside a library is not waited for: the files are closed,
    // the windows gone, and the destructors would wait for it.
    if (!stop_background_threads(threads_deadline))
        _exit(exit_status);
}

bool program_ending() {
    return ending;
}

int program_exit_status() {
    return exit_status;
}

void set_end_program_action(std::function<void(int)> action) {
    end_action() = action ? std::move(action) : default_end;
    ending = false;
}

void set_message_box_action(std::function<void(const QString&, const QString&)> action) {
    box_action() = action ? std::move(action) : default_message_box;
}

} // namespace krv
