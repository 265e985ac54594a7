// The program's own threads, as its end sees them. Ending never waits long for
// work in progress: each thread is asked to stop, and the end waits for them only
// until a deadline. A thread still busy then (inside a library that cannot be
// interrupted: a page's text, a copy of 2,000 pages) is left behind, and the
// program ends without running its destructors: it has nothing left to save.
#pragma once

#include <QDeadlineTimer>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

namespace krv {

/// The generations of one owner's background work (a document's, its text's,
/// its structure's). A job carries the ticket of the generation it was asked in;
/// a new document or a close starts the next generation, and the jobs of the
/// ones before are then dropped unrun, at their next step at the latest. This is
/// the one way our background work is called off.
class work_generation {
public:
    class ticket {
    public:
        ticket() = default; ///< of no generation: never stale
        /// Whether its generation has ended (any thread).
        bool stale() const { return current_ && current_->load() != number_; }

    private:
        friend class work_generation;
        ticket(std::shared_ptr<const std::atomic<quint64>> current, quint64 number)
            : current_(std::move(current)), number_(number) {}
        std::shared_ptr<const std::atomic<quint64>> current_;
        quint64 number_ = 0;
    };

    /// A ticket of the generation in effect.
    ticket current() const { return {current_, current_->load()}; }
    /// Ends the generation in effect: its tickets go stale.
    void next() { ++*current_; }

private:
    std::shared_ptr<std::atomic<quint64>> current_ = std::make_shared<std::atomic<quint64>>(0);
};

using work_ticket = work_generation::ticket;

/// What one thread did before handing `where` over happens before what another
/// does after taking it. Qt was not built with ThreadSanitizer, which therefore
/// cannot see Qt's event queue, thread pool or QThread::wait carry work and
/// results from thread to thread; these marks say it. Nothing outside that build.
void handed_over(const void* where);
void taken_over(const void* where);

/// Work handed to another thread through Qt (a queued call, a thread pool): what
/// the posting thread did before is seen by the work when it runs, and by its end
/// wherever it is let go of. Wrap the work, never the call that posts it.
template <typename work_type> class handover {
public:
    explicit handover(work_type work) : work_(std::move(work)) { handed_over(this); }
    // Qt moves the work into storage of its own: the last write of the posting
    // thread is then here, so each copy is handed over anew.
    handover(handover&& other) : work_(std::move(other.work_)) { handed_over(this); }
    handover(const handover& other) : work_(other.work_) { handed_over(this); }
    handover& operator=(const handover&) = delete;
    ~handover() { taken_over(this); }

    // Handed over again once run: Qt lets go of the work on whichever thread
    // drops it last, the poster's as often as not.
    void operator()() {
        taken_over(this);
        work_();
        handed_over(this);
    }

private:
    work_type work_;
};

/// Before a thread of ours starts: what it does is seen by whoever waits for its
/// end through wait_for_end.
void watch_end(QThread* thread);

/// Waits for a watched thread to end, until `deadline`; whether it has.
bool wait_for_end(QThread* thread, QDeadlineTimer deadline = QDeadlineTimer::Forever);

/// Registers one of our threads (watched), before it starts; `ask_to_stop` makes
/// it end soon and never waits.
void add_background_thread(QThread* thread, std::function<void()> ask_to_stop);

/// Forgets a thread, before it is destroyed.
void remove_background_thread(QThread* thread);

/// Takes a running, watched thread whose result nobody waits for any more: it is deleted
/// once it has ended (by stop_background_threads).
void abandon_background_thread(QThread* thread);

/// Asks every registered thread to stop and waits for them until `deadline`;
/// false when one still runs then. Abandoned threads that have ended are deleted.
bool stop_background_threads(QDeadlineTimer deadline);

} // namespace krv
