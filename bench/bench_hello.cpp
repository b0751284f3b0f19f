// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up baseline: the smallest Qt Widgets program that shows a window.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(825, 630);
    window.show();
    return QApplication::exec();
}
