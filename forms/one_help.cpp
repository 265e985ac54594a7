#include "one_help.h"

#include "failures.h"
#include "form.h"
#include "menu_pdf.h"
#include "modu_declarations.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace krv {

namespace {

// A held request is looked at again at least this often, so that it follows
// the program's clock (which tests replace) rather than the timer's.
constexpr double longest_hold_slice = 0.1;

} // namespace

hand_over hand_over_to_running_help() {
    return ask_running_help(own_instance_name(), answer_timeout_ms);
}

one_help::one_help(hand_over asked) {
    const QString name = own_instance_name();
    // Two starts at once: the other may have taken the name just now.
    if (!listener_.listen(name) && asked == hand_over::nobody)
        handed_over_ = ask_running_help(name, answer_timeout_ms) == hand_over::taken;
    // Otherwise a help that does not answer holds the name: this one runs on its own.
    held_.setSingleShot(true);
    QObject::connect(&held_, &QTimer::timeout, &listener_, [this] { serve_waiting(); });
    QObject::connect(&listener_, &instance_listener::show_requested, &listener_, [this] {
        waiting_ = true;
        serve_waiting();
    });
    // The socket file goes as soon as the help ends, before anything else is torn down.
    if (QCoreApplication* app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, &listener_,
                         [this] { listener_.close(); });
}

void one_help::serve() {
    serving_ = true;
    serve_waiting();
}

void one_help::serve_waiting() {
    if (!serving_ || showing_ || !waiting_ || held_.isActive() || program_ending())
        return;
    const double left = seconds_until_accepted(shared(), clock_seconds());
    if (left > 0) {
        held_.start(static_cast<int>(std::ceil(std::min(left, longest_hold_slice) * 1000.0)));
        return;
    }
    waiting_ = false;
    showing_ = true;
    bool shown = true;
    run_handler([&] {
        if (menu_pdf* menu = find_form<menu_pdf>())
            shown = menu->show_host_document();
    });
    showing_ = false;
    // Too soon after all (the user chose a document during the lookup), or
    // another request came meanwhile: served from the event loop, not from here.
    waiting_ = waiting_ || !shown;
    if (waiting_)
        held_.start(0);
}

} // namespace krv
