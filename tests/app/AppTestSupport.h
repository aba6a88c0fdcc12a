#pragma once

// What the window tests share: a temporary home with scripted dialogs and a
// bus of its own, the main window on it, reply reports and log files built
// the way the logger would give them.
#include "../device/HidTestSupport.h"

#include "app/AppServices.h"
#include "app/ChildWin.h"
#include "app/DownloadState.h"
#include "app/FolderWidgets.h"
#include "app/Form030.h"
#include "app/LogFileFormat.h"
#include "app/LogFileReader.h"
#include "app/LogFileSystem.h"
#include "app/LogFileWriter.h"
#include "app/MainForm.h"
#include "app/PictureFormat.h"
#include "app/SeparatorWrapLabel.h"
#include "app/SignalDecoding.h"
#include "device/JvHidDevice.h"
#include "device/JvHidDeviceController.h"
#include "device/sim/SimulatedLogger.h"
#include "platform/PlatformError.h"
#include "platform/ScriptedDialogs.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <gmock/gmock.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <tuple>
#include <span>
#include <string>
#include <vector>

namespace lp = logger_protocol;
using hidtest::waitUntil;

// Names a parameterised case after its `name` field.
inline constexpr auto caseName = [](const auto& info) { return std::string(info.param.name); };

inline std::vector<std::uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A finished download's state as the logger's header reply would leave it.
inline TDownloadState makeDownload(std::vector<std::uint8_t> columnIds, std::uint32_t rows, std::uint8_t rate = 10,
                                   std::uint16_t logNumber = 7, const char* name = "MeuCarro")
{
    TDownloadState d;
    d.LogNumber = logNumber;
    d.Rate = rate;
    d.Columns = static_cast<std::uint8_t>(columnIds.size());
    d.Rows = static_cast<std::int32_t>(rows);
    d.Header[0] = static_cast<std::uint8_t>(logNumber >> 8);
    d.Header[1] = static_cast<std::uint8_t>(logNumber & 0xFF);
    d.Header[2] = rate;
    d.Header[3] = d.Columns;
    log_file::WriteBigEndian(std::span(d.Header).subspan(4, 3), rows);
    d.Name = QString::fromLatin1(name);
    for (std::size_t i = 0; i < 16 && name[i] != 0; ++i)
        d.NameBytes[i] = static_cast<std::uint8_t>(name[i]);
    d.Extra = {1, 2, 3, 4, 5, 6, 7, 8};
    d.Date = {6, 12, 26, 22, 40, 5};
    for (std::size_t i = 0; i < columnIds.size() && i < d.Ids.size(); ++i)
        d.Ids[i] = columnIds[i];
    return d;
}

// Column c of row r holds value(c, r).
inline std::vector<std::vector<std::uint8_t>> makeColumns(std::size_t columns, std::uint32_t rows,
                                                          const std::function<std::uint8_t(std::size_t, std::uint32_t)>& value)
{
    std::vector<std::vector<std::uint8_t>> out(columns, std::vector<std::uint8_t>(rows));
    for (std::size_t c = 0; c < columns; ++c)
        for (std::uint32_t r = 0; r < rows; ++r)
            out[c][r] = value(c, r);
    return out;
}

// One id of each signal a log can hold.
inline const std::vector<int> everySignalId{1, 3, 5, 7, 9, 10, 11, 12, 13, 15, 16, 17, 18, 19, 20};

// Opens signals in a chart window as a file would: `rows` rows at `rate` a
// second, signal k of `ids` decoded from the high and low bytes bytes(k, row).
inline void openSignals(TMDIChild& child, const std::vector<int>& ids, int rows, double rate,
                        const std::function<std::pair<std::uint8_t, std::uint8_t>(std::size_t, int)>& bytes)
{
    const auto n = static_cast<std::size_t>(rows);
    std::vector<double> x(n);
    for (std::size_t r = 0; r < n; ++r)
        x[r] = static_cast<double>(r) / rate;
    child.ClearGrafico();
    child.WideBandChannel = -1;
    for (std::size_t k = 0; k < ids.size(); ++k) {
        std::vector<std::uint8_t> high(n), low(n);
        for (std::size_t r = 0; r < n; ++r)
            std::tie(high[r], low[r]) = bytes(k, static_cast<int>(r));
        child.AddDecodedSignal(*signal_decoding::DecodeSignal(ids[k], high, low, true), x);
    }
    child.FileBlocks.SetRows(static_cast<std::uint32_t>(rows));
    child.FinishOpening();
    child.SLScope1->CommitPendingData();
}

// Arms the chart's zero point and picks it at `x` seconds, as a click there would.
inline void pickZeroAt(TMDIChild& chart, double x)
{
    chart.Grafico_Split();
    chart.PickedX = x;
    chart.PickedValid = true;
    chart.SLScope1Click();
}

inline void writeLog(const std::string& path, const log_file::LogHead& head,
                     const std::vector<std::vector<std::uint8_t>>& columns)
{
    std::vector<std::span<const std::uint8_t>> spans(columns.begin(), columns.end());
    log_file::WriteLogFile(path, head, spans, false);
}

// A reply report: its code, then bytes placed at offsets.
inline lp::Report reply(std::uint8_t code, std::initializer_list<std::pair<std::size_t, std::vector<std::uint8_t>>> at = {})
{
    lp::Report report{};
    report[lp::ReplyCode] = code;
    for (const auto& [offset, bytes] : at)
        std::copy(bytes.begin(), bytes.end(), report.begin() + static_cast<std::ptrdiff_t>(offset));
    return report;
}

inline std::vector<QString> itemTexts(const QListWidget& list)
{
    std::vector<QString> texts;
    for (int i = 0; i < list.count(); ++i)
        texts.push_back(list.item(i)->text());
    return texts;
}

inline std::vector<int> tickedItems(const QListWidget& list)
{
    std::vector<int> ticked;
    for (int i = 0; i < list.count(); ++i)
        if (list.item(i)->checkState() == Qt::Checked)
            ticked.push_back(i);
    return ticked;
}

// A temporary home for one test: settings file, default base folder, scripted
// dialogs, an empty USB bus, and the main window made and shown on first use.
class AppTestEnv : public testing::Test {
protected:
    AppTestEnv()
        : settingsPath_(root_.filePath(QStringLiteral("config/Quillstone.conf")).toStdString()),
          store_(settingsPath_),
          services_{dialogs_, store_, root_.filePath(QStringLiteral("Zorvan_Logs")), hidBus_}
    {
    }

    QString folder(const QString& relative) const { return root_.filePath(relative); }

    // Writes the settings file as the key with the given lines.
    void writeSettings(const std::string& lines) const
    {
        std::filesystem::create_directories(settingsPath_.parent_path());
        std::ofstream(settingsPath_) << "[SOFTWARE\\Zorvan]\n" << lines;
    }

    // A value as a fresh reader of the file sees it; nullopt without the key.
    std::optional<std::string> storedValue(const char* name) const
    {
        platform::SettingsStore reader(settingsPath_);
        if (!reader.openKey("\\SOFTWARE\\Zorvan", false))
            return std::nullopt;
        return reader.readString(name);
    }

    TMainForm& form()
    {
        if (!form_) {
            form_ = std::make_unique<TMainForm>(services_);
            form_->show();
        }
        return *form_;
    }

    // The chart windows, the front one first.
    std::vector<TMDIChild*> charts() const
    {
        std::vector<TMDIChild*> out;
        for (QMdiSubWindow* w : form_->chartSubWindows())
            if (auto* c = dynamic_cast<TMDIChild*>(w->widget()))
                out.push_back(c);
        return out;
    }

    QTemporaryDir root_;
    std::filesystem::path settingsPath_;
    platform::SettingsStore store_;
    platform::ScriptedDialogs dialogs_;
    std::shared_ptr<zq::hid::SimulatedHidBus> hidBus_ = std::make_shared<zq::hid::SimulatedHidBus>();
    AppServices services_;
    std::unique_ptr<TMainForm> form_;
};

// The main window in a locale with a decimal comma and a thousands dot; the
// simulated logger is made on first use.
class LoggerFormTest : public AppTestEnv {
protected:
    LoggerFormTest() { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }
    ~LoggerFormTest() override
    {
        form_.reset();
        logger_.reset();
        QLocale::setDefault(savedLocale_);
    }

    void feed(const lp::Report& report) { form().ShowRead(nullptr, report[0], report.data() + 1, 64); }

    zq::sim::SimulatedLogger& logger()
    {
        if (!logger_)
            logger_ = std::make_unique<zq::sim::SimulatedLogger>(hidBus_);
        return *logger_;
    }

    void connectLogger()
    {
        TMainForm& f = form();
        logger().plug();
        ASSERT_TRUE(waitUntil([&] { return f.LoggerDevice != nullptr; }));
    }

    void select(unsigned logNumber)
    {
        const auto found = form().DIR->findItems(QStringLiteral("LOG#%1").arg(logNumber, 5, 10, QLatin1Char('0')),
                                                 Qt::MatchStartsWith);
        ASSERT_EQ(found.size(), 1);
        form().DIR->setCurrentItem(found.front());
    }

    std::vector<std::uint8_t> commandCodes() const
    {
        std::vector<std::uint8_t> codes;
        if (logger_)
            for (const auto& report : logger_->received())
                codes.push_back(report[lp::CommandCode]);
        return codes;
    }

    std::unique_ptr<zq::sim::SimulatedLogger> logger_;

private:
    QLocale savedLocale_;
};
