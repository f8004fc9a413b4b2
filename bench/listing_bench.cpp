// How long a listing of many open files takes: the enumeration into the
// query layer's table, and the whole click on "List Quarnel" into the window.
// Run: cmake -DQUARNEL_BUILD_BENCH=ON ... && build/bench/listing_bench
#include "FakePlatform.h"
#include "frmQuarnel.h"
#include "modApi.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

using quarnel::test::FakeFile;
using quarnel::test::FakePlatform;
namespace netstatus = quarnel::platform::netstatus;

// `count` open files in batches of 500, as a server answers 16 KB at a time.
void Script(FakePlatform& platform, int count) {
    constexpr int PerBatch = 500;
    for (int first = 0; first < count; first += PerBatch) {
        std::vector<FakeFile> files;
        for (int i = first; i < std::min(count, first + PerBatch); ++i) {
            const std::string n = std::to_string(i);
            files.push_back(
                {static_cast<std::uint32_t>(i), 3, 1,
                 u"D:\\Shares\\Data\\Reports\\" + std::u16string(n.begin(), n.end()) + u".docx",
                 u"user" + std::u16string(n.begin(), n.begin() + 1)});
        }
        platform.fileBatches.push_back(
            {first + PerBatch < count ? netstatus::MoreData : netstatus::Success,
             std::move(files)});
    }
}

void EnumOpenFiles(benchmark::State& state) {
    FakePlatform platform;
    quarnel::modApi api(platform);
    for (auto _ : state) {
        state.PauseTiming();
        Script(platform, static_cast<int>(state.range(0)));
        state.ResumeTiming();
        api.EnumOpenFiles(u"srv", u"", u"");
        benchmark::DoNotOptimize(api.OpenFileCount);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(EnumOpenFiles)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void ListIntoTheWindow(benchmark::State& state) {
    FakePlatform platform;
    quarnel::modApi api(platform);
    quarnel::frmQuarnel form(api);
    form.show();
    for (auto _ : state) {
        state.PauseTiming();
        Script(platform, static_cast<int>(state.range(0)));
        state.ResumeTiming();
        form.cmdListFiles_Click();
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ListIntoTheWindow)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

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
