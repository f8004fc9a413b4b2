// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The GUI tests need one QApplication for the whole run; listing the tests
// (as CTest does to discover them) needs none. The files they close reach
// no system log.

#include "report/Audit.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    quarnel::report::SetAuditSink([](const std::string&, bool) {});
    return RUN_ALL_TESTS();
}
