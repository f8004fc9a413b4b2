// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// How long a listing of many open files takes: the enumeration into the
// query layer's table, the whole click on "List Quarnel" into the window,
// and a click on the "Path" header of a long list.
// Run: cmake -DQUARNEL_BUILD_BENCH=ON ... && build/bench/listing_bench
// Memory is measured by build/bench/listing_memory, in a process of its own.
#include "ServerFiles.h"
#include "frmQuarnel.h"
#include "modApi.h"

#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <benchmark/benchmark.h>

namespace {

using quarnel::bench::ServerFiles;

void EnumOpenFiles(benchmark::State& state) {
    ServerFiles platform;
    quarnel::modApi api(platform);
    for (auto _ : state) {
        platform.Serve(static_cast<int>(state.range(0)));
        api.EnumOpenFiles(u"srv", u"", u"");
        benchmark::DoNotOptimize(api.OpenFileCount);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(EnumOpenFiles)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void ListIntoTheWindow(benchmark::State& state) {
    ServerFiles platform;
    quarnel::modApi api(platform);
    quarnel::frmQuarnel form(api);
    form.show();
    for (auto _ : state) {
        platform.Serve(static_cast<int>(state.range(0)));
        form.cmdListFiles_Click();
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ListIntoTheWindow)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One click on the "Path" header, the list shown sorted: ascending and
// descending in turn, as the user clicks it again and again.
void ClickPathHeader(benchmark::State& state) {
    ServerFiles platform;
    quarnel::modApi api(platform);
    quarnel::frmQuarnel form(api);
    form.show();
    (void)QTest::qWaitForWindowExposed(&form);
    platform.Serve(static_cast<int>(state.range(0)));
    form.cmdListFiles_Click();
    form.lvwFiles->SetSelectedItem(form.lvwFiles->ListItemAt(1)); // the selection follows its row
    QCoreApplication::processEvents();
    const int path = form.lvwFiles->header()->sectionViewportPosition(1) + 5;
    for (auto _ : state) {
        QTest::mouseClick(form.lvwFiles->header()->viewport(), Qt::LeftButton, {}, QPoint(path, 5));
        form.lvwFiles->viewport()->repaint();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ClickPathHeader)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
