// SPDX-License-Identifier: GPL-3.0-or-later
// What every benchmark prints and measures: one figure per line beside its baseline, CPU time, the
// fastest of several runs.
#pragma once

#include <sys/resource.h>
#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>

namespace quorvane::bench {

inline double ms(qint64 ns) {
    return static_cast<double>(ns) / 1e6;
}

// One figure per line: what, value, the baseline's value, and their ratio.
inline void line(const char* what, double value, const char* unit, const char* baseline, double base,
                 const QString& note = {}) {
    std::printf("%-44s %10.2f %-5s | %-34s %10.2f %-5s | ratio %6.2f %s\n", what, value, unit, baseline, base,
                unit, base > 0 ? value / base : 0.0, qPrintable(note));
    std::fflush(stdout);
}

// The fastest of n runs, in nanoseconds: the figure with the least noise from other work on the
// machine. setup runs before each, untimed.
inline qint64 fastest(int n, const std::function<void()>& setup, const std::function<void()>& run) {
    qint64 best = -1;
    for (int i = 0; i < n; ++i) {
        if (setup) {
            setup();
        }
        QElapsedTimer timer;
        timer.start();
        run();
        const qint64 ns = timer.nsecsElapsed();
        best = best < 0 ? ns : std::min(best, ns);
    }
    return best;
}

inline qint64 fastest(int n, const std::function<void()>& run) {
    return fastest(n, {}, run);
}

// User and system CPU time of the process so far, in seconds.
inline std::pair<double, double> cpuSplit() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

inline double cpuSeconds() {
    const auto [user, system] = cpuSplit();
    return user + system;
}

}  // namespace quorvane::bench
