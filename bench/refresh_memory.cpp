// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Whether the window's memory stays flat over many refreshes of a real
// server's open files: the real window over the system's platform, as the
// program builds them, refreshed again and again; the resident set after
// the 10th refresh and after the last. bench/refresh_memory.py starts the
// server and holds the files open.
// Run: build/bench/refresh_memory SERVER [refreshes]   (default 100)
#include "WindowNetwork.h"
#include "frmQuarnel.h"

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// The resident set in MB, from /proc/self/status.
double ResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmRSS:"))
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: refresh_memory SERVER [refreshes]\n", stderr);
        return 2;
    }
    const int refreshes = argc > 2 ? std::stoi(argv[2]) : 100;

    quarnel::WindowNetwork network(quarnel::platform::SystemPlatform());
    quarnel::frmQuarnel form(network.Api());
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    form.txtServer->setText(QString::fromLocal8Bit(argv[1]));
    double afterTenth = 0;
    for (int i = 1; i <= refreshes; ++i) {
        form.cmdListFiles->click(); // what F5 and Refresh do
        QCoreApplication::processEvents();
        if (i == 10)
            afterTenth = ResidentMegabytes();
        if (i == 1 || i % 10 == 0)
            std::printf("refresh %3d: %5d rows, %7.1f MB resident\n", i,
                        form.lvwFiles->ListItemCount(), ResidentMegabytes());
    }
    const double afterLast = ResidentMegabytes();
    std::printf("after the 10th refresh: %.1f MB; after the %dth: %.1f MB; grown by %.1f MB\n",
                afterTenth, refreshes, afterLast, afterLast - afterTenth);
    return 0;
}
