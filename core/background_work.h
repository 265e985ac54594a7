// The program's own threads, as its end sees them. Ending never waits long for
// work in progress: each thread is asked to stop, and the end waits for them only
// until a deadline. A thread still busy then (inside a library that cannot be
// interrupted: a page's text, a copy of 2,000 pages) is left behind, and the
// program ends without running its destructors: it has nothing left to save.
#pragma once

#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace krv {

/// Registers one of our threads; `ask_to_stop` makes it end soon and never waits.
void add_background_thread(QThread* thread, std::function<void()> ask_to_stop);

/// Forgets a thread, before it is destroyed.
void remove_background_thread(QThread* thread);

/// Takes a running thread whose result nobody waits for any more: it is deleted
/// once it has ended (by stop_background_threads).
void abandon_background_thread(QThread* thread);

/// Asks every registered thread to stop and waits for them until `deadline`;
/// false when one still runs then. Abandoned threads that have ended are deleted.
bool stop_background_threads(QDeadlineTimer deadline);

} // namespace krv
