#include "fixture.h"

#include "desktop.h"
#include "failures.h"
#include "form.h"
#include "modu_declarations.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>

namespace krv {

bool program_fixture::set_up() {
    if (!dir_.isValid())
        return false;
    previous_ = QDir::currentPath();
    if (!QDir::setCurrent(dir_.path()))
        return false;
    set_message_box_action([this](const QString& text, const QString& title) {
        messages << text;
        titles << title;
        if (on_message)
            on_message();
    });
    set_end_program_action([this](int status) { ends << status; });
    set_clock([this] { return now; });
    return true;
}

void program_fixture::reset() {
    unload_all_forms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    shared() = shared_state{};
    set_end_program_action([this](int status) { ends << status; });
    set_mouse_pointer(mouse_pointer::arrow);
    messages.clear();
    on_message = {};
    titles.clear();
    ends.clear();
    now += 100;
}

void program_fixture::tear_down() {
    unload_all_forms();
    set_clock({});
    set_message_box_action({});
    set_end_program_action({});
    QDir::setCurrent(previous_);
}

} // namespace krv
