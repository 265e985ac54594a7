#include "program_end.h"

#include <mutex>
#include <vector>

namespace krv {

namespace {

struct end_steps {
    std::mutex lock;
    std::vector<std::function<void()>> steps;
};

end_steps& registered() {
    static end_steps steps;
    return steps;
}

} // namespace

void at_program_end(std::function<void()> step) {
    auto& r = registered();
    const std::lock_guard hold(r.lock);
    r.steps.push_back(std::move(step));
}

void run_program_end_steps() {
    auto& r = registered();
    std::vector<std::function<void()>> steps;
    {
        const std::lock_guard hold(r.lock);
        steps = r.steps; // a step may register another without deadlock
    }
    for (const auto& step : steps)
        step();
}

} // namespace krv
