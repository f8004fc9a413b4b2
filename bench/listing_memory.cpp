// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// How much memory a listing of many open files adds to the idle main window,
// measured in a process of its own: the resident set of the idle window,
// then with the query layer's table filled, then with the rows listed.
// Run: build/bench/listing_memory [rows]   (default 100000)
#include "ServerFiles.h"
#include "frmQuarnel.h"
#include "modApi.h"

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <string>

namespace {

// A field of /proc/self/status in MB ("VmRSS", "VmHWM").
double StatusMegabytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with(field + ":"))
            return std::stod(line.substr(field.size() + 1)) / 1024.0;
    return 0;
}

// What the program's allocations hold, in MB, whether or not resident.
double HeapMegabytes() {
    const struct mallinfo2 info = ::mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

// The window after it has handled everything that is pending.
void Settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::stoi(argv[1]) : 100000;

    quarnel::bench::ServerFiles platform;
    quarnel::modApi api(platform);
    quarnel::frmQuarnel form(api);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    Settle();
    const double idle = StatusMegabytes("VmRSS");
    const double idleHeap = HeapMegabytes();

    platform.Serve(rows);
    api.EnumOpenFiles(u"srv", u"", u"");
    Settle();
    const double table = StatusMegabytes("VmRSS");
    const double tableHeap = HeapMegabytes();

    platform.Serve(rows);
    form.cmdListFiles_Click();
    Settle();
    const double listed = StatusMegabytes("VmRSS");
    const double listedHeap = HeapMegabytes();

    std::printf("rows listed:                   %d\n", form.lvwFiles->ListItemCount());
    std::printf("                               resident   allocated\n");
    std::printf("idle window:                   %6.1f MB   %6.1f MB\n", idle, idleHeap);
    std::printf("+ the query layer's table:     %6.1f MB   %6.1f MB\n", table - idle,
                tableHeap - idleHeap);
    std::printf("+ the rows in the list:        %6.1f MB   %6.1f MB\n", listed - table,
                listedHeap - tableHeap);
    std::printf("= added by the listing:        %6.1f MB   %6.1f MB\n", listed - idle,
                listedHeap - idleHeap);
    std::printf("peak resident:                 %6.1f MB\n", StatusMegabytes("VmHWM"));
    return 0;
}
