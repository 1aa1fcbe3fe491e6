#pragma once
// Ends the process once a top-level widget is exposed on the screen.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

inline void QuitWhenShown(QWidget* window) {
    auto* poll = new QTimer(window);
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, window, [window] {
        if (window->windowHandle() && window->windowHandle()->isExposed()) QApplication::exit(0);
    });
    poll->start();
}
