// SPDX-License-Identifier: GPL-3.0-or-later
// Trakor3: the desktop program.
#include <QApplication>

#include "platform/process_guard.h"
#include "ui/start_options.h"
#include "ui/trakor_app.h"

int main(int argc, char** argv) {
    trakor::secureStandardDescriptors();
    // --help and --version answer in the terminal, without a display.
    if (int rc = trakor::answerStartOptions(argc, argv, stdout); rc >= 0) return rc;
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trakor3"));
    // Desktops match the window to nl.quenby.Trakor3.desktop (and its icon) by this name.
    QApplication::setDesktopFileName(QStringLiteral("nl.quenby.Trakor3"));
    // The main dialog ends the program, also while it is hidden behind the clipboard dialog.
    QApplication::setQuitOnLastWindowClosed(false);
    trakor::CTrakorApp app(argc, argv);
    return app.run();
}
