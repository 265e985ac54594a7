#include "background_work.h"

#include <memory>
#include <mutex>
#include <vector>

#if defined(__SANITIZE_THREAD__)
#define KRV_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KRV_TSAN 1
#endif
#endif

#ifdef KRV_TSAN
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace krv {

void handed_over([[maybe_unused]] const void* where) {
#ifdef KRV_TSAN
    __tsan_release(const_cast<void*>(where));
#endif
}

void taken_over([[maybe_unused]] const void* where) {
#ifdef KRV_TSAN
    __tsan_acquire(const_cast<void*>(where));
#endif
}

namespace {

struct registered {
    QThread* thread;
    std::function<void()> ask_to_stop;
    bool abandoned = false; ///< ours to delete once it has ended
};

std::mutex& registry_mutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<registered>& registry() {
    static std::vector<registered> threads;
    return threads;
}

} // namespace

void watch_end(QThread* thread) {
    // Emitted on the thread itself, after the last of our work there.
    QObject::connect(
        thread, &QThread::finished, thread, [thread] { handed_over(thread); },
        Qt::DirectConnection);
}

bool wait_for_end(QThread* thread, QDeadlineTimer deadline) {
    if (!thread->wait(deadline))
        return false;
    taken_over(thread);
    return true;
}

void add_background_thread(QThread* thread, std::function<void()> ask_to_stop) {
    watch_end(thread);
    std::lock_guard lock(registry_mutex());
    registry().push_back({thread, std::move(ask_to_stop)});
}

void remove_background_thread(QThread* thread) {
    std::lock_guard lock(registry_mutex());
    std::erase_if(registry(), [thread](const registered& r) { return r.thread == thread; });
}

void abandon_background_thread(QThread* thread) {
    std::lock_guard lock(registry_mutex());
    registry().push_back({thread, {}, true});
}

bool stop_background_threads(QDeadlineTimer deadline) {
    std::vector<registered> threads;
    {
        std::lock_guard lock(registry_mutex());
        threads = registry();
    }
    for (const registered& r : threads)
        if (r.ask_to_stop)
            r.ask_to_stop();
    bool all_ended = true;
    for (const registered& r : threads)
        all_ended = wait_for_end(r.thread, deadline) && all_ended;
    std::lock_guard lock(registry_mutex());
    std::erase_if(registry(), [](const registered& r) {
        if (!r.abandoned || !r.thread->isFinished())
            return false;
        taken_over(r.thread);
        delete r.thread;
        return true;
    });
    return all_ended;
}

} // namespace krv
