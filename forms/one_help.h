// One help at a time: a help started while another runs for the same user, in
// the same folder and on the same display hands the host's request over to it
// (which shows the document through the document opening routine and comes to
// the front) and ends with status 0.
#pragma once

#include "instance_channel.h"

#include <QTimer>

namespace krv {

/// Asks a help running for this user, folder and display to show the host's
/// document; called first thing, before the application object is built.
hand_over hand_over_to_running_help();

class one_help {
public:
    /// Takes the name for this help; `asked` is what asking a running help came to
    /// (when nobody listened but the name is taken now, another start was quicker:
    /// it is asked in turn).
    explicit one_help(hand_over asked);

    /// A running help took the request: this process ends, with status 0.
    bool handed_over() const { return handed_over_; }
    /// From now on, each later start shows the host's document in this help;
    /// one that came during the start-up is served now.
    void serve();

private:
    /// Shows the host's document for the request waiting, unless one is being
    /// shown (its lookup handles events, and lookups never nest) or the last
    /// request was accepted too recently: it is then shown once the half second
    /// has passed. The host's requests are never refused: the asking start was
    /// told it was taken and has ended.
    void serve_waiting();

    instance_listener listener_;
    QTimer held_; ///< ends the half second a request waits for
    bool handed_over_ = false;
    bool serving_ = false; ///< the start-up is done
    bool showing_ = false; ///< a request is being shown
    /// A request waits. One at most: each shows what the exchange file names
    /// when it is served, so the latest wins and a flood costs nothing more.
    bool waiting_ = false;
};

/// How long a later start waits for the running help's answer.
inline constexpr int answer_timeout_ms = 1000;

} // namespace krv
