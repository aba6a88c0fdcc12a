// ShowRead on a download's data blocks: reports handled per second, against
// a plain copy of the same bytes into columns measured in the same run, and
// the memory the grid holds per downloaded byte.
#include "app/AppServices.h"
#include "app/MainForm.h"
#include "platform/ScriptedDialogs.h"
#include "platform/SettingsStore.h"
#include "platform/hid/SimulatedHidBus.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <chrono>
#include <memory>
#include <vector>

namespace {

namespace lp = logger_protocol;

constexpr unsigned Rows = 200'000;
constexpr unsigned Columns = 13;

struct Download {
    lp::Report header{};
    std::vector<lp::Report> blocks;

    Download()
    {
        header[lp::ReplyCode] = lp::ReplyHeader;
        header[lp::HeaderLayout::Rate] = 100;
        header[lp::HeaderLayout::Columns] = Columns;
        lp::put24(header, lp::HeaderLayout::Rows, Rows + 1);
        std::uint32_t state = 1;
        for (std::size_t at = 0; at < std::size_t(Rows) * Columns; at += lp::DataBytes) {
            lp::Report block{};
            block[lp::ReplyCode] = lp::ReplyData;
            for (std::size_t i = lp::DataFirst; i < block.size(); ++i) {
                state = state * 1664525U + 1013904223U;
                block[i] = static_cast<std::uint8_t>(state >> 24);
            }
            blocks.push_back(block);
        }
    }
};

struct Window {
    QTemporaryDir dir;
    platform::ScriptedDialogs dialogs;
    platform::SettingsStore settings{dir.filePath(QStringLiteral("settings.conf")).toStdString()};
    AppServices services{dialogs, settings, dir.filePath(QStringLiteral("logs")),
                         std::make_shared<zq::hid::SimulatedHidBus>()};
    TMainForm form{services};
};

void feed(TMainForm& form, const lp::Report& report)
{
    form.ShowRead(nullptr, report[0], report.data() + 1, lp::ReportLength - 1);
}

// The least the grid's work can cost: the stream copied into columns.
double plainCopySeconds(const Download& download)
{
    std::vector<std::vector<std::uint8_t>> columns(Columns, std::vector<std::uint8_t>(Rows));
    const auto start = std::chrono::steady_clock::now();
    std::size_t column = 0;
    std::size_t row = 0;
    for (const lp::Report& block : download.blocks) {
        for (std::size_t i = lp::DataFirst; i < block.size() && row < Rows; ++i) {
            columns[column][row] = block[i];
            if (++column == Columns) {
                column = 0;
                ++row;
            }
        }
    }
    benchmark::DoNotOptimize(columns.data());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ShowReadDataBlocks(benchmark::State& state)
{
    static const Download download;
    Window window;
    TMainForm& form = window.form;
    form.Downloading = true;

    double seconds = 0;
    double plainSeconds = 0;
    std::size_t gridBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        form.Dados.setRowCount(0);
        form.Dados.setColCount(0);
        const std::size_t before = mallinfo2().uordblks;
        feed(form, download.header);
        gridBytes = mallinfo2().uordblks - before;
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        for (const lp::Report& block : download.blocks)
            feed(form, block);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        state.PauseTiming();
        plainSeconds += plainCopySeconds(download);
        state.ResumeTiming();
    }
    const double reports = double(download.blocks.size()) * double(state.iterations());
    state.counters["reports_per_s"] = reports / seconds;
    state.counters["x_plain_copy"] = seconds / plainSeconds;
    state.counters["grid_bytes_per_cell"] = double(gridBytes) / (double(Rows) * Columns);
    state.SetItemsProcessed(static_cast<std::int64_t>(reports));
}
BENCHMARK(BM_ShowReadDataBlocks)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
