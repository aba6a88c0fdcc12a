// A log of 15 signals and 1,000,000 rows: written at the end of a download,
// and opened from the file into a chart window with every channel set. Each
// is measured beside the bare file transfer of the same bytes.
#include "app/AppServices.h"
#include "app/LogFileSystem.h"
#include "app/LogFileWriter.h"
#include "app/MainForm.h"
#include "platform/ScriptedDialogs.h"
#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>

namespace {

constexpr std::uint32_t Rows = 1'000'000;
// Every signal of the logger: 21 columns, 15 signals.
constexpr std::uint8_t ColumnIds[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 15, 10, 11, 12, 13, 16, 17, 18, 19, 20};
constexpr int Columns = sizeof ColumnIds;

// One main window over a temporary base folder holding a finished download.
struct Fixture {
    QTemporaryDir dir;
    platform::ScriptedDialogs dialogs;
    platform::SettingsStore settings{dir.filePath(QStringLiteral("settings.conf")).toStdString()};
    AppServices services{dialogs, settings, dir.filePath(QStringLiteral("logs"))};
    std::unique_ptr<TMainForm> form;

    Fixture()
    {
        form = std::make_unique<TMainForm>(services);
        form->LogDir = services.defaultLogDir;
        form->RefreshFiles();

        TDownloadState& d = form->DownloadState;
        d.LogNumber = 7;
        d.Rate = 50;
        d.Columns = Columns;
        d.Rows = Rows;
        d.Header = {0, 7, 50, Columns};
        log_file::WriteBigEndian(std::span(d.Header).subspan(4, 3), Rows);
        d.Name = QStringLiteral("Banco");
        std::copy_n("Banco", 5, d.NameBytes.begin());
        std::copy(std::begin(ColumnIds), std::end(ColumnIds), d.Ids.begin());
        d.Row = Rows;
        form->Dados.setRowCount(Rows);
        form->Dados.setColCount(Columns);
        for (int c = 0; c < Columns; ++c)
            for (std::uint32_t r = 0; r < Rows; ++r)
                form->Dados.setCell(c, int(r), std::uint8_t(128 + 100 * std::sin(r * 0.001 * (c + 1))));
    }

    QString folder() const { return form->LogDir + QStringLiteral("/Banco"); }
    std::string path(const QString& name) const { return QFile::encodeName(folder() + '/' + name).toStdString(); }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_WriteDownload(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        const QString name = f.form->GeraNovoArquivo();
        state.PauseTiming();
        std::filesystem::remove(f.path(name));
        f.form->RefreshFiles();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{Columns} * Rows);
}

// The same bytes in one buffer, written by the same replacing write.
void BM_WriteBaseline(benchmark::State& state)
{
    Fixture& f = fixture();
    const std::vector<std::uint8_t> bytes(log_file::DataOffset + std::size_t{Columns} * Rows + 6, 1);
    std::filesystem::create_directories(f.path(QString()).substr(0, f.path(QString()).size() - 1));
    const std::span<const std::uint8_t> pieces[] = {bytes};
    for (auto _ : state) {
        log_fs::WriteFileReplacing(f.path(QStringLiteral("baseline.bin")), pieces, false);
        state.PauseTiming();
        std::filesystem::remove(f.path(QStringLiteral("baseline.bin")));
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(bytes.size()));
}

void BM_OpenToChart(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString name = f.form->GeraNovoArquivo();
    for (auto _ : state) {
        f.form->AbreArquivo(f.folder(), name);
        state.PauseTiming();
        if (f.form->MdiArea->subWindowList().size() != 1)
            state.SkipWithError("the log did not open");
        qDeleteAll(f.form->MdiArea->subWindowList());
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    std::filesystem::remove(f.path(name));
}

void BM_OpenBaseline(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString name = f.form->GeraNovoArquivo();
    for (auto _ : state)
        benchmark::DoNotOptimize(log_fs::ReadWholeFile(f.path(name)));
    std::filesystem::remove(f.path(name));
}

BENCHMARK(BM_WriteBaseline)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_WriteDownload)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_OpenBaseline)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_OpenToChart)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace
