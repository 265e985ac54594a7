// Processor time used by the two-second wait that holds off a request made too
// soon after the last one: it must sleep, not spin.
#include "application.h"
#include "modu_declarations.h"

#include <chrono>
#include <cstdio>
#include <sys/resource.h>

namespace {

double cpu_ms() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    krv::application app(argc, argv);
    const double cpu_before = cpu_ms();
    const auto start = std::chrono::steady_clock::now();
    krv::attente();
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double cpu = cpu_ms() - cpu_before;
    std::printf("two-second wait: %.0f ms long, %.1f ms of processor time (%.2f %% of one core)\n",
                wall, cpu, 100.0 * cpu / wall);
    return 0;
}
