#include "one_help.h"

#include "failures.h"
#include "form.h"
#include "menu_pdf.h"

#include <utility>

namespace krv {

hand_over hand_over_to_running_help() {
    return ask_running_help(own_instance_name(), answer_timeout_ms);
}

one_help::one_help(hand_over asked) {
    const QString name = own_instance_name();
    // Two starts at once: the other may have taken the name just now.
    if (!listener_.listen(name) && asked == hand_over::nobody)
        handed_over_ = ask_running_help(name, answer_timeout_ms) == hand_over::taken;
    // Otherwise a help that does not answer holds the name: this one runs on its own.
    QObject::connect(&listener_, &instance_listener::show_requested, &listener_, [this] {
        if (serving_)
            run_handler([this] { show_host_document(); });
        else
            pending_ = true;
    });
}

void one_help::serve() {
    serving_ = true;
    if (std::exchange(pending_, false))
        run_handler([this] { show_host_document(); });
}

void one_help::show_host_document() {
    if (menu_pdf* menu = find_form<menu_pdf>())
        menu->show_host_document();
}

} // namespace krv
