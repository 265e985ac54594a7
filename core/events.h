// Processing the pending window events from inside a handler, and keeping the
// user's input out while work runs off the GUI thread.
#pragma once

namespace krv {

/// Handles the window events that are waiting, then returns; does nothing
/// when the program has no event loop (command-line tools, benchmarks).
void process_events();

/// While one lives, the user's input (keys, mouse, wheel) is dropped, except Esc,
/// which still reaches the windows and ends the help: work that runs off the GUI
/// thread meanwhile (a print) is not joined by more of the user's. The
/// application object applies it.
class user_input_pause {
public:
    user_input_pause();
    ~user_input_pause();
    user_input_pause(const user_input_pause&) = delete;
    user_input_pause& operator=(const user_input_pause&) = delete;
};

/// Whether a user_input_pause lives.
bool user_input_paused();

} // namespace krv
