// Processing the pending window events from inside a handler.
#pragma once

namespace krv {

/// Handles the window events that are waiting, then returns; does nothing
/// when the program has no event loop (command-line tools, benchmarks).
void process_events();

} // namespace krv
