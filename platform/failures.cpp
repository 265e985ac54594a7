#include "failures.h"

#include "errors.h"
#include "record_file.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <exception>

namespace krv {

namespace {

bool ending = false;
int exit_status = 0;

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
    box_action()(text, title);
}

void end_program(int status) {
    close_all_files();
    ending = true;
    exit_status = status;
    end_action()(status);
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
