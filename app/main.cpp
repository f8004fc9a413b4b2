// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Quarnel: which files are held open on a server, and by whom.

#include "AppIcon.h"
#include "CommandLine.h"
#include "ResponsivePlatform.h"
#include "SignInPlatform.h"
#include "frmQuarnel.h"
#include "modApi.h"

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

    // The network calls wait off the window thread, and the enumerations
    // yield after every batch: the windows serve their events meanwhile.
    quarnel::ResponsivePlatform platform(quarnel::platform::SystemPlatform());
    platform.SetYieldHook([] { QCoreApplication::processEvents(); });
    // A server that refuses a call gets asked for credentials, on the
    // window's thread, around whatever the calls go through below.
    quarnel::SignInPlatform signIn(platform);
    quarnel::modApi api(signIn);

    // A path on the command line is resolved and listed before the window
    // is first shown; its message boxes come before the window.
    quarnel::frmQuarnel form(api, commandLine);
    form.show();
    return QApplication::exec();
}
