// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up time: from exec of a program to the first map of a top-level window on a private
// Xvfb, as a second X client sees it. With no window manager the server exposes a window in
// the same request that maps it, so the MapNotify is the moment of the first expose.
//
//   bench_startup PROGRAM BASELINE   prints the median of 7 runs of each, after one warm-up run
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Xvfb {
    pid_t pid = -1;
    std::string display;

    bool start() {
        int fds[2];
        if (pipe(fds) != 0) {
            return false;
        }
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
                   "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char buffer[32] = {};
        pollfd wait{fds[0], POLLIN, 0};
        if (poll(&wait, 1, 10'000) <= 0 || read(fds[0], buffer, sizeof buffer - 1) <= 0) {
            close(fds[0]);
            return false;
        }
        close(fds[0]);
        display = ":" + std::to_string(std::atoi(buffer));
        return true;
    }
    ~Xvfb() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

// Milliseconds from exec to the first mapped top-level window; negative when none came in 10 s.
double once(Display* x, const std::string& display, const char* program) {
    XSync(x, True);
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    double result = -1;
    const int fd = ConnectionNumber(x);
    while (result < 0 && Clock::now() - start < std::chrono::seconds(10)) {
        while (XPending(x) > 0) {
            XEvent event;
            XNextEvent(x, &event);
            if (event.type == MapNotify) {
                result = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                break;
            }
        }
        if (result < 0) {
            pollfd wait{fd, POLLIN, 0};
            poll(&wait, 1, 100);
        }
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return result;
}

double median(Display* x, const std::string& display, const char* program) {
    once(x, display, program);  // warm-up: caches, fonts
    std::vector<double> runs;
    for (int i = 0; i < 7; ++i) {
        runs.push_back(once(x, display, program));
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_startup PROGRAM BASELINE\n");
        return 2;
    }
    Xvfb xvfb;
    if (!xvfb.start()) {
        std::printf("start-up: Xvfb did not start (install xvfb)\n");
        return 1;
    }
    Display* x = XOpenDisplay(xvfb.display.c_str());
    if (x == nullptr) {
        std::printf("start-up: cannot open %s\n", xvfb.display.c_str());
        return 1;
    }
    XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);
    const double program = median(x, xvfb.display, argv[1]);
    const double baseline = median(x, xvfb.display, argv[2]);
    std::printf("%-44s %10.2f %-5s | %-34s %10.2f %-5s | ratio %6.2f %s\n",
                "start-up to the first shown window", program, "ms", "a bare Qt Widgets window", baseline,
                "ms", baseline > 0 ? program / baseline : 0.0, "median of 7, exec to first map on Xvfb");
    XCloseDisplay(x);
    return 0;
}
