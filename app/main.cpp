// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Quarnel: which files are held open on a server, and by whom.

#include "AppIcon.h"
#include "CommandLine.h"
#include "WindowNetwork.h"
#include "frmQuarnel.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    const QString commandLine = quarnel::CommandLineText(argc, argv);
    // The version alone is asked for by scripts and packagers: no window.
    if (commandLine == QStringLiteral("--version")) {
        std::fputs("quarnel " QUARNEL_VERSION "\n", stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    QApplication app(argc, argv);
    QApplication::setWindowIcon(quarnel::AppIcon());

    quarnel::WindowNetwork network(quarnel::platform::SystemPlatform());
    // A path on the command line is resolved and listed before the window
    // is first shown; its message boxes come before the window.
    quarnel::frmQuarnel form(network.Api(), commandLine);
    form.show();
    return QApplication::exec();
}
