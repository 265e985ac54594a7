// The program's three ways of meeting a failure: the start-up reports each
// failing statement and goes on; the list dialog's confirm ignores them; every
// other handler runs under run_handler, which reports the failure and ends.
#pragma once

#include "identity.h"

#include <QString>

#include <functional>
#include <initializer_list>

namespace krv {

/// Runs one event handler; a failure inside it is shown in a message box and ends the program.
void run_handler(const std::function<void()>& handler);

/// Runs statements in order; each failure is shown in a message box titled
/// "Aide KRV" and the next statement runs.
void run_statements(std::initializer_list<std::function<void()>> statements);

/// Runs statements in order, ignoring failures.
void run_ignoring_failures(std::initializer_list<std::function<void()>> statements);

/// The French text of the exception being handled.
QString current_failure_text();

/// A modal message box with the text, shown as plain text, an OK button and no
/// icon; none once the program is ending.
void message_box(const QString& text, const QString& title = identity::title);

/// Closes every open file, hides every window and leaves the event loop with `status`.
void end_program(int status = 0);

/// Once the event loop has ended: asks the program's threads to stop, and ends the
/// process at once, with the status end_program was given, when one of them is
/// still busy some 300 ms after end_program (nothing is left to save then).
void end_background_work();

/// True once end_program has been called: waits and nested loops stop then.
bool program_ending();

/// The status given to end_program.
int program_exit_status();

/// Replaces what end_program does after closing the files (tests watch it).
void set_end_program_action(std::function<void(int)> action);

/// Replaces the message box (tests record the texts instead of showing them).
void set_message_box_action(std::function<void(const QString& text, const QString& title)> action);

} // namespace krv
