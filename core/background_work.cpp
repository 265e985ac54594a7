#include "background_work.h"

#include <QMutex>

#include <memory>
#include <vector>

namespace krv {

namespace {

struct registered {
    QThread* thread;
    std::function<void()> ask_to_stop;
    bool abandoned = false; ///< ours to delete once it has ended
};

QMutex& registry_mutex() {
    static QMutex mutex;
    return mutex;
}

std::vector<registered>& registry() {
    static std::vector<registered> threads;
    return threads;
}

} // namespace

void add_background_thread(QThread* thread, std::function<void()> ask_to_stop) {
    QMutexLocker lock(&registry_mutex());
    registry().push_back({thread, std::move(ask_to_stop)});
}

void remove_background_thread(QThread* thread) {
    QMutexLocker lock(&registry_mutex());
    std::erase_if(registry(), [thread](const registered& r) { return r.thread == thread; });
}

void abandon_background_thread(QThread* thread) {
    QMutexLocker lock(&registry_mutex());
    registry().push_back({thread, {}, true});
}

bool stop_background_threads(QDeadlineTimer deadline) {
    std::vector<registered> threads;
    {
        QMutexLocker lock(&registry_mutex());
        threads = registry();
    }
    for (const registered& r : threads)
        if (r.ask_to_stop)
            r.ask_to_stop();
    bool all_ended = true;
    for (const registered& r : threads)
        all_ended = r.thread->wait(deadline) && all_ended;
    QMutexLocker lock(&registry_mutex());
    std::erase_if(registry(), [](const registered& r) {
        if (!r.abandoned || !r.thread->isFinished())
            return false;
        delete r.thread;
        return true;
    });
    return all_ended;
}

} // namespace krv
