// What must be done before the program ends, however it ends (Esc, a failure, the
// host's request): the layers that own such work register it here, and the window
// layer, which ends the program, runs it without knowing them.
#pragma once

#include <functional>

namespace krv {

/// Registers a step run at the end; a step must bear being run more than once.
void at_program_end(std::function<void()> step);

/// Runs every registered step, in the order they were registered.
void run_program_end_steps();

} // namespace krv
