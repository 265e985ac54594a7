// What the reader's benchmarks share: the clock, the process's resident memory
// and load, waiting for the reader without sleeping blind, a meter of the
// longest stall of the event loop, and figures printed as medians and ranges.
#pragma once

#include "pdf_component.h"
#include "process_memory.h"
#include "sample_pdf.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace krv::bench {

using clock_type = std::chrono::steady_clock;

inline double ms_since(clock_type::time_point start) {
    return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

using samples::resident_mib;

/// `count` pages of 30 lines of text on white, each with the line `extra(page)`
/// after them when it is not empty (the words the benchmarks look for).
inline std::vector<samples::text_page> text_pages(int count,
                                                  const std::function<QString(int)>& extra) {
    std::vector<samples::text_page> result;
    for (int i = 0; i < count; ++i) {
        QStringList lines{QStringLiteral("Chapitre %1").arg(i + 1)};
        for (int l = 0; l < 30; ++l)
            lines << QStringLiteral(
                         "Ligne %1 de la page %2 : le règlement des factures et la saisie.")
                         .arg(l + 1)
                         .arg(i + 1);
        if (const QString line = extra(i); !line.isEmpty())
            lines << line;
        result.push_back({QColor(255, 255, 255), lines});
    }
    return result;
}

/// The machine's load average over the last minute.
inline double load_average() {
    QFile load(QStringLiteral("/proc/loadavg"));
    load.open(QIODevice::ReadOnly);
    return load.readAll().split(' ').value(0).toDouble();
}

/// Runs the event loop until `done` holds (each event handled, then asked again).
template <typename condition> void wait_until(condition done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

/// Runs the event loop for `ms` milliseconds.
inline void run_for(int ms) {
    QElapsedTimer t;
    t.start();
    QTimer wake;
    wake.start(5);
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

/// Waits for the component's document to open, then for a paint of the view
/// with every picture it shows.
inline void settle(pdf_component& component) {
    wait_until([&] { return !component.opening(); });
    page_view* view = component.view();
    view->viewport()->update();
    bool shown = false;
    const auto c = QObject::connect(view, &page_view::pictures_shown, [&] { shown = true; });
    wait_until([&] { return shown; });
    QObject::disconnect(c);
}

/// The longest gap between the ticks of a timer that should fire every 5 ms: the
/// longest the interface could not answer.
/// The calling thread's processor time, in ms.
inline double thread_cpu_ms() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

class stall_meter {
public:
    stall_meter() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = clock_type::now();
            const double cpu = thread_cpu_ms();
            const double gap = std::chrono::duration<double, std::milli>(now - last_).count();
            if (ticking_ && gap > longest_) {
                longest_ = gap;
                longest_work_ = cpu - last_cpu_;
            }
            last_ = now;
            last_cpu_ = cpu;
            ticking_ = true;
        });
    }
    void start() {
        longest_ = 0;
        longest_work_ = 0;
        ticking_ = false;
        timer_.start(5);
    }
    /// The longest gap since start, in ms.
    double stop() {
        timer_.stop();
        return longest_;
    }
    /// The GUI thread's processor time within that gap, in ms: the rest of the
    /// gap it waited for a core (a loaded machine), not for its own work.
    double longest_work() const { return longest_work_; }

private:
    QTimer timer_;
    clock_type::time_point last_;
    double last_cpu_ = 0;
    bool ticking_ = false;
    double longest_ = 0;
    double longest_work_ = 0;
};

/// "median (min–max)" of a set of figures.
inline std::string spread(std::vector<double> values, const char* unit = "ms") {
    if (values.empty())
        return "none";
    std::sort(values.begin(), values.end());
    const double median = values.size() % 2
                              ? values[values.size() / 2]
                              : (values[values.size() / 2 - 1] + values[values.size() / 2]) / 2;
    char text[96];
    std::snprintf(text, sizeof text, "%.1f %s (%.1f-%.1f)", median, unit, values.front(),
                  values.back());
    return text;
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace krv::bench
