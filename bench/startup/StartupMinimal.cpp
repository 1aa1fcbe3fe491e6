// The yardstick: a Qt Widgets program with one window, ending once the window is shown.

#include <QApplication>
#include <QLabel>

#include "bench/startup/WaitShown.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QLabel window(QStringLiteral("Veilmark 1.0"));
    window.resize(536, 477);
    window.show();
    QuitWhenShown(&window);
    return application.exec();
}
