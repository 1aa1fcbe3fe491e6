#pragma once
// Ends the process once a top-level widget is exposed on the screen. At that moment it prints
// one line to standard output, "shown REALTIME CPU": the wall clock (CLOCK_REALTIME, seconds)
// and the process's CPU time so far (all threads, milliseconds), so run.sh can time the start
// to the window shown apart from the tear-down that follows.

#include <time.h>

#include <cstdio>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

inline void ReportShown() {
    timespec wall{};
    timespec cpu{};
    clock_gettime(CLOCK_REALTIME, &wall);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    std::printf("shown %lld.%06ld %.3f\n", static_cast<long long>(wall.tv_sec), wall.tv_nsec / 1000,
                static_cast<double>(cpu.tv_sec) * 1e3 + static_cast<double>(cpu.tv_nsec) / 1e6);
    std::fflush(stdout);
}

inline void QuitWhenShown(QWidget* window) {
    auto* poll = new QTimer(window);
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, window, [window, poll] {
        if (!window->windowHandle() || !window->windowHandle()->isExposed()) return;
        poll->stop();
        ReportShown();
        QApplication::exit(0);
    });
    poll->start();
}
