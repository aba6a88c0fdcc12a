// The logger's replies: the log list, the configuration and a log download
// into Dados.
#include "app/MainForm.h"

#include "app/LoggerChannels.h"
#include "app/PictureFormat.h"
#include "app/ReportPlatformErrors.h"
#include "app/SeparatorWrapLabel.h"
#include "device/JvHidDevice.h"

#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <new>

namespace lp = logger_protocol;

namespace {

constexpr int WatchdogMs = 1000;
constexpr int ConnectionDelayMs = 600;
constexpr std::size_t MaxColumns = lp::MaxIds;

// Up to 15 significant digits, no exponent in the range a log's length can
// take, and the user's decimal separator.
QString generalText(double value)
{
    QString text = QString::number(value, 'g', 15);
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

QString latin1Field(const lp::Report& report, std::size_t at, std::size_t length)
{
    const auto begin = report.begin() + static_cast<std::ptrdiff_t>(at);
    const auto end = std::find(begin, begin + static_cast<std::ptrdiff_t>(length), 0);
    return QString::fromLatin1(reinterpret_cast<const char*>(&*begin), end - begin);
}

std::uint64_t lostReports(const TJvHidDevice* device)
{
    return device != nullptr ? device->DroppedInputReports() : 0;
}

} // namespace

void TMainForm::ShowRead(TJvHidDevice* HidDev, std::uint8_t ReportID, const std::uint8_t* Data, std::uint16_t Size)
{
    // Bytes beyond what the device sent read as zero; longer reports are cut
    // to the 64 data bytes the protocol has.
    lp::Report report{};
    report[0] = ReportID;
    if (Data != nullptr)
        std::copy_n(Data, std::min<std::size_t>(Size, lp::ReportLength - 1), report.begin() + 1);

    const std::uint8_t code = report[lp::ReplyCode];
    switch (code) {
    case lp::ReplyList:
        listReply(report);
        return;
    case lp::ReplyConfig:
        configurationReply(report);
        return;
    case lp::ReplyHeader:
    case lp::ReplyData:
    case lp::ReplyEnd:
        if (code == lp::ReplyEnd && !Downloading)
            return;
        DownTimer->start(WatchdogMs);
        if (lostReports(HidDev) != DownloadState.LostAtRequest)
            DownloadState.ReportsLost = true;
        if (code == lp::ReplyHeader)
            headerReply(report);
        else if (code == lp::ReplyData)
            dataReply(report);
        else
            endReply();
        return;
    default:
        return; // 0x02 and unknown codes
    }
}

void TMainForm::listReply(const lp::Report& report)
{
    using L = lp::ListLayout;
    for (std::size_t i = 0; i < L::Entries; ++i) {
        const std::size_t at = L::entry(i);
        if (report[at + L::Number] == 0xFF || report[at + L::Number + 1] == 0xFF)
            continue;
        const unsigned rate = report[at + L::Rate];
        if (rate == 0)
            continue;
        const unsigned number = lp::get16(report, at + L::Number);
        const double seconds = double(lp::get24(report, at + L::Samples)) / rate;
        DIR->addItem(QStringLiteral("LOG#%1 - [%2segundos]")
                         .arg(number, 5, 10, QLatin1Char('0'))
                         .arg(generalText(seconds)));
    }
}

void TMainForm::configurationReply(lp::Report& report)
{
    using L = lp::ConfigLayout;
    const double freeKBytes = lp::get16(report, L::FreeMemory) * double(L::MemoryUnit) / 1024;
    Panel3->setText(QStringLiteral("::: Mem.Livre: ") + FormatFloatPicture(freeKBytes, u"##,##0") +
                    QStringLiteral(" KBytes  :::  # Ultimo Log: ") +
                    QString::number(lp::get16(report, L::LastLog)) + QStringLiteral(" :::"));

    std::size_t count = report[L::IdCount];
    if (count == 0) {
        count = 2;
        report[L::Ids] = 0;
        report[L::Ids + 1] = 1;
    }
    count = std::min(count, lp::MaxIds);

    const QString name = FormataNomeEquipamento(latin1Field(report, L::Name, lp::NameLength));
    NomeEquipamento->setText(name);
    setStatusText(2, name);

    for (int item = 0; item < ListaCanais->count(); ++item)
        ListaCanais->item(item)->setCheckState(Qt::Unchecked);
    for (std::size_t i = 0; i < count; ++i) {
        const int item = logger_channels::itemOfId(report[L::Ids + i]);
        if (item >= 0 && item < ListaCanais->count())
            ListaCanais->item(item)->setCheckState(Qt::Checked);
    }

    if (ConnectionStep == 1) {
        Timer1->stop();
        ConnectionStep = 2;
        Timer1->setInterval(ConnectionDelayMs);
        Timer1->start();
    }
}

void TMainForm::headerReply(const lp::Report& report)
{
    using H = lp::HeaderLayout;
    TDownloadState& d = DownloadState;
    d.Header = {};
    d.Header[0] = report[H::Number];
    d.Header[1] = report[H::Number + 1];
    d.Header[2] = report[H::Rate];
    d.Header[3] = report[H::Columns];
    d.LogNumber = static_cast<std::uint16_t>(lp::get16(report, H::Number));
    d.Rate = report[H::Rate];
    d.Columns = report[H::Columns];

    // A header that announces no whole row, or more columns than a row can
    // have signals, keeps nothing: no progress is measured against it.
    const unsigned announced = lp::get24(report, H::Rows);
    const bool usable = d.Columns >= 1 && d.Columns <= MaxColumns && announced >= 2;
    d.Rows = usable ? static_cast<std::int32_t>(announced - 1) : 0;

    // Emptied first, so that the memory of a download is never held twice.
    Dados.setRowCount(0);
    Dados.setColCount(0);
    if (d.Rows > 0) {
        try {
            Dados.setColCount(d.Columns);
            Dados.setRowCount(d.Rows);
        } catch (const std::bad_alloc&) {
            d.Rows = 0;
            Dados.setRowCount(0);
            Dados.setColCount(0);
        }
    }
    lp::put24(d.Header, 4, static_cast<unsigned>(d.Rows));

    d.Name = FormataNomeEquipamento(latin1Field(report, H::Name, lp::NameLength));
    d.NameBytes = {};
    const QByteArray nameBytes = d.Name.toLatin1();
    std::copy_n(nameBytes.begin(), std::min<qsizetype>(nameBytes.size(), lp::NameLength), d.NameBytes.begin());
    std::copy_n(report.begin() + H::Extra, d.Extra.size(), d.Extra.begin());
    std::copy_n(report.begin() + H::Ids, d.Ids.size(), d.Ids.begin());

    d.Column = 0;
    d.Row = 0;
    d.Received = 0;
    d.Percent = 0;
    d.Total = double(d.Columns) * d.Rows;
    progressShown_ = -1;

    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    d.Date = {static_cast<std::uint8_t>(date.day()), static_cast<std::uint8_t>(date.month()),
              static_cast<std::uint8_t>(date.year() % 100), static_cast<std::uint8_t>(time.hour()),
              static_cast<std::uint8_t>(time.minute()), static_cast<std::uint8_t>(time.second())};
}

void TMainForm::dataReply(const lp::Report& report)
{
    TDownloadState& d = DownloadState;
    d.Received += double(lp::DataBytes);
    if (d.Total > 0) {
        d.Percent = std::min(d.Received / d.Total * 100, 100.0);
        showProgress();
    }
    // After a lost block the rows that follow are not the logger's: the
    // rows whole before it are what the download keeps.
    if (d.Columns < 1 || d.Columns > MaxColumns || d.ReportsLost)
        return;
    for (std::size_t i = lp::DataFirst; i < report.size() && d.Row < d.Rows; ++i) {
        Dados.setCell(d.Column, d.Row, report[i]);
        if (++d.Column >= d.Columns) {
            d.Column = 0;
            ++d.Row;
        }
    }
}

void TMainForm::showProgress()
{
    const double percent = DownloadState.Percent;
    // Away from a rounding tie the shown hundredths follow from the binary
    // value; near one only the exact formatting can tell.
    const double scaled = percent * 100;
    const bool nearTie = std::abs(scaled - std::floor(scaled) - 0.5) < 1e-6;
    const double shown = percent > 99 ? -2 : std::floor(scaled + 0.5);
    if (shown == progressShown_ && !nearTie)
        return;
    progressShown_ = nearTie ? std::nan("") : shown;
    const QString text = percent > 99 ? QString() : FormatFloatPicture(percent, u"##0.00") + QLatin1Char('%');
    if (statusText(3) != text)
        setStatusText(3, text);
}

void TMainForm::endReply()
{
    DownTimer->stop();
    // However writing or opening the log ends, the download is over: nothing
    // else would clear it, since the watchdog is already stopped.
    struct Finish {
        TMainForm& form;
        ~Finish()
        {
            form.Downloading = false;
            form.Dados.setRowCount(0);
            form.Dados.setColCount(0);
        }
    } finish{*this};
    reportPlatformErrors(services_.dialogs, [this] { DownloadFinished(); });
}
