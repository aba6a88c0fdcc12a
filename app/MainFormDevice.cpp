// Logger detection and connection, the busy test, the download watchdog and
// the logger's command set.
#include "app/MainForm.h"

#include "app/LoggerChannels.h"
#include "app/OwnedHidController.h"
#include "device/JvHidDevice.h"
#include "device/JvHidDeviceController.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "platform/hid/HidError.h"

#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTimer>

#include <array>
#include <cerrno>
#include <vector>

namespace lp = logger_protocol;

namespace {

constexpr int ConnectionDelayMs = 600;
constexpr int WatchdogMs = 1000;
constexpr std::uint32_t ReadBuffers = 512;
constexpr std::uint32_t ReadSleepMs = 100;
constexpr char DefaultDeviceName[] = "QuillstoneZorvan";
constexpr int NameLength = 16;

bool inNameSet(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'#' || u == u'(' || u == u')' || u == u'-' || (u >= u'0' && u <= u'9') ||
           u == u'@' || (u >= u'A' && u <= u'Z') || u == u'[' || u == u']' || u == u'_' || (u >= u'a' && u <= u'z');
}

QString transportError(const char* format, std::uint32_t code)
{
    // "%s (%x)": the system's text, then the code in upper-case hexadecimal.
    QString text = QString::fromLatin1(format);
    text.replace(QLatin1String("%s"), QString::fromStdString(zq::hid::errorMessage(code)));
    text.replace(QLatin1String("%x"), QString::number(code, 16).toUpper());
    return text;
}

// Watches NomeEquipamento for typed keys and for losing the focus.
class NameEditFilter : public QObject {
public:
    NameEditFilter(TMainForm& form, QObject* parent) : QObject(parent), form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            // Only typed characters are sifted; editing keys and shortcuts
            // (Ctrl+A, Ctrl+C, Delete...) come as control characters or with
            // Ctrl held, and do what they do in any line edit.
            const auto* key = static_cast<QKeyEvent*>(event);
            const QString typed = key->text();
            const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
            if (typed.size() == 1 && typed.front().isPrint() && !shortcut &&
                !form_.NomeEquipamentoKeyPress(typed.front()))
                return true;
        } else if (event->type() == QEvent::FocusOut) {
            form_.NomeEquipamentoExit();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TMainForm& form_;
};

void restart(QTimer* timer, int ms)
{
    timer->stop();
    timer->setInterval(ms);
    timer->start();
}

} // namespace

void OwnedHidControllerDeleter::operator()(OwnedHidController* owner) const
{
    delete owner;
}

void TMainForm::setupDevicePart()
{
    hidController_.reset(new OwnedHidController(services_.hidBackend));
    HidCtl = hidController_->get();
    // Bound while the window is still being built, so the first enumeration
    // (posted by the controller) is what reports the devices present.
    HidCtl->SetLoading(true);
    HidCtl->SetOnDeviceChange(TJvHidNotifyEvent(this, &TMainForm::HidCtlDeviceChange));
    HidCtl->SetLoading(false);
    NomeEquipamento->installEventFilter(new NameEditFilter(*this, NomeEquipamento));
}

void TMainForm::releaseLogger()
{
    if (LoggerDevice == nullptr)
        return;
    LoggerDevice->SetDataHandler(nullptr);
    LoggerDevice->OnUnplug = nullptr;
    LoggerDevice = nullptr;
}

// --- detection and connection ------------------------------------------------

void TMainForm::HidCtlDeviceChange(QObject*)
{
    if (LoggerDevice != nullptr)
        return;
    bool found = false;
    TJvHidDevice* device = nullptr;
    // The acquisition comes before the found test: after a match one more
    // free device, if any, is taken and left unexamined.
    while (HidCtl->AcquireFirstFree(device) && !found) {
        const THIDDAttributes& attributes = device->Attributes();
        if (attributes.VendorID != lp::VendorId || attributes.ProductID != lp::ProductId ||
            device->GetManufacturer() != QString::fromUtf16(lp::Manufacturer))
            continue;
        device->SetNumInputBuffers(ReadBuffers);
        device->SetNumOverlappedBuffers(ReadBuffers);
        device->SetDataHandler(TJvHidDataEvent(this, &TMainForm::ShowRead));
        device->OnUnplug = TJvHidPlugEvent(this, &TMainForm::RemoverUSB);
        LoggerDevice = device;
        device->SetSleepTime(ReadSleepMs);
        setStatusText(1, QStringLiteral("CONECTADO"));
        setStatusText(2, QString());
        Timer1->stop();
        ConnectionStep = 1;
        Timer1->setInterval(ConnectionDelayMs);
        Timer1->start();
        found = true;
    }
}

void TMainForm::RemoverUSB(TJvHidDevice*)
{
    releaseLogger();
    setStatusText(1, QStringLiteral("DESCONECTADO"));
    setStatusText(2, QString());
    DIR->clear();
}

void TMainForm::Timer1Timer()
{
    if (LoggerDevice == nullptr) {
        Timer1->stop();
        ConnectionStep = 0;
        return;
    }
    if (ConnectionStep == 1) {
        LoggerVerConfig();
        Timer1->stop();
    } else if (ConnectionStep == 2) {
        LoggerDIR();
        Timer1->stop();
        ConnectionStep = 0;
    }
}

void TMainForm::DownTimerTimer()
{
    DownTimer->stop();
    Downloading = false;
    setStatusText(3, QString());
    progressShown_ = -1;
    Dados.setRowCount(0);
    Dados.setColCount(0);
}

void TMainForm::GetStatus()
{
    if (LoggerDevice == nullptr)
        return;
    lp::Report report{};
    const std::uint32_t length = LoggerDevice->GetCaps().FeatureReportByteLength;
    // A device declaring longer reports than ours is not supported.
    const bool read = length <= report.size() ? LoggerDevice->GetFeature(report.data(), length)
                                              : (zq::hid::setLastError(EMSGSIZE), false);
    if (read)
        DeviceBusy = (report[lp::StatusByte] & lp::StatusBusy) == lp::StatusBusy;
    else
        showTransportError("GET FEATURE ERROR: %s (%x)");
}

bool TMainForm::DeviceOcupado()
{
    if (Downloading)
        return true;
    bool busy = false;
    if (LoggerDevice != nullptr) {
        GetStatus();
        busy = DeviceBusy;
    }
    if (busy)
        services_.dialogs.warning(
            QStringLiteral("DataLogger está ocupado executando outra função. Tente novamente !"));
    return busy;
}

void TMainForm::showTransportError(const char* format)
{
    services_.dialogs.error(transportError(format, zq::hid::lastError()));
}

// --- commands ----------------------------------------------------------------

bool TMainForm::sendCommand(std::uint8_t code, unsigned logNumber)
{
    lp::Report report{};
    report[lp::CommandCode] = code;
    report[lp::CommandLogHigh] = static_cast<std::uint8_t>(logNumber / 256);
    report[lp::CommandLogLow] = static_cast<std::uint8_t>(logNumber % 256);
    const std::uint32_t length = LoggerDevice->GetCaps().FeatureReportByteLength;
    const bool sent = length <= report.size() ? LoggerDevice->SetFeature(report.data(), length)
                                              : (zq::hid::setLastError(EMSGSIZE), false);
    if (!sent)
        showTransportError("SET FEATURE ERROR: %s (%x)");
    return sent;
}

std::optional<TMainForm::SelectedLog> TMainForm::selectedLog()
{
    QListWidgetItem* item = DIR->currentItem();
    if (item == nullptr || !item->isSelected())
        return std::nullopt;
    // Characters 5 to 9 are the digits after "LOG#".
    const QString digits = item->text().mid(4, 5);
    bool ok = false;
    const int number = digits.toInt(&ok);
    if (!ok || number < 0) {
        platform::showMessage(services_.dialogs, platform::Message::NotAnInteger, {digits});
        return std::nullopt;
    }
    return SelectedLog{item, static_cast<unsigned>(number)};
}

void TMainForm::LoggerDIR()
{
    if (LoggerDevice == nullptr)
        return;
    DIR->clear();
    sendCommand(lp::CmdList);
}

void TMainForm::LoggerVerConfig()
{
    if (LoggerDevice != nullptr)
        sendCommand(lp::CmdReadConfig);
}

void TMainForm::LoggerFormat()
{
    if (LoggerDevice == nullptr)
        return;
    platform::Dialogs& dialogs = services_.dialogs;
    dialogs.warning(QStringLiteral(
        "ATENÇÃO !!! Todos os dados na memória do DataLogger serão apagados. Procedimento irreversível !!!"));
    if (dialogs.askYesNo(QStringLiteral("Deseja prosseguir com a formatação da memória do DataLogger?")) !=
        platform::Answer::Yes)
        return;
    if (!sendCommand(lp::CmdFormat))
        return;
    DIR->clear();
    dialogs.message(QStringLiteral("Formatação concluida com sucesso !!! Todos dados foram apagados."));
}

void TMainForm::LoggerDelete()
{
    if (LoggerDevice == nullptr)
        return;
    const std::optional<SelectedLog> log = selectedLog();
    if (!log)
        return;
    delete DIR->takeItem(DIR->row(log->item));
    // The list would pass the choice on to a neighbour, which a second press
    // would then delete unasked: no log stays chosen.
    DIR->setCurrentItem(nullptr);
    DIR->clearSelection();
    sendCommand(lp::CmdDelete, log->number);
}

void TMainForm::LoggerLOAD()
{
    if (LoggerDevice == nullptr || Downloading)
        return;
    const std::optional<SelectedLog> log = selectedLog();
    if (!log)
        return;
    const QString name = statusText(2);
    const QString folder = logFolder(name);
    const QString fileName = logStem(name, log->number) + LogExtension;
    if (QFileInfo::exists(folder + QLatin1Char('/') + fileName)) {
        const auto answer = services_.dialogs.askYesNo(QStringLiteral(
            "Este arquivo de LOG já foi baixado préviamente... Deseja baixar uma nova cópia ?"));
        if (answer != platform::Answer::Yes) {
            AbreArquivo(folder, fileName);
            return;
        }
    }
    restart(DownTimer, WatchdogMs);
    Downloading = true;
    DownloadState.LostAtRequest = LoggerDevice->DroppedInputReports();
    DownloadState.ReportsLost = false;
    // A failed send leaves the download to the watchdog.
    sendCommand(lp::CmdDownload, log->number);
}

void TMainForm::ToolButton9Click()
{
    if (!DeviceOcupado())
        LoggerDIR();
}

void TMainForm::ToolButton32Click()
{
    if (!DeviceOcupado())
        LoggerVerConfig();
}

void TMainForm::ToolButton21Click()
{
    if (!DeviceOcupado())
        LoggerFormat();
}

void TMainForm::ToolButton20Click()
{
    if (PageControl1->currentIndex() != 0 || DeviceOcupado())
        return;
    if (services_.dialogs.askYesNo(QStringLiteral("Confirma a Exclusão deste LOG ?")) == platform::Answer::Yes)
        LoggerDelete();
}

void TMainForm::ToolButton19Click()
{
    if (PageControl1->currentIndex() == 0 && !DeviceOcupado())
        LoggerLOAD();
}

// --- configuration -------------------------------------------------------------

void TMainForm::ToolButton34Click()
{
    if (LoggerDevice == nullptr)
        return;
    // A name that cleans down to nothing would go out as sixteen zero bytes,
    // which the logger reports back as no name at all: its logs would then be
    // stored under the default name while the status bar shows none.
    const QString name = FormataNomeEquipamento(NomeEquipamento->text());
    NomeEquipamento->setText(name);
    if (name.isEmpty()) {
        platform::showMessage(services_.dialogs, platform::Message::DeviceNameEmpty);
        return;
    }
    if (DeviceOcupado())
        return;
    using L = lp::ConfigWriteLayout;
    lp::Report report{};
    report[L::Marker1] = L::Marker1Value;
    report[L::Marker2] = L::Marker2Value;

    std::vector<std::uint8_t> ids;
    for (int item = 0; item < ListaCanais->count() && item < logger_channels::ItemCount; ++item) {
        if (ListaCanais->item(item)->checkState() == Qt::Checked) {
            const auto itemIds = logger_channels::idsOf(item);
            ids.insert(ids.end(), itemIds.begin(), itemIds.end());
        }
        if (ids.size() > lp::MaxIds)
            break;
    }
    if (ids.size() > lp::MaxIds) {
        services_.dialogs.warning(
            QStringLiteral("Foi selecionado um numero maior de informação do que o suportado !!! Verifique."));
        return;
    }
    if (ids.empty()) {
        ids = {0, 1};
        ListaCanais->item(1)->setCheckState(Qt::Checked);
    }
    report[L::IdCount] = static_cast<std::uint8_t>(ids.size());
    std::copy(ids.begin(), ids.end(), report.begin() + L::Ids);

    const QByteArray nameBytes = name.toLatin1();
    std::copy_n(nameBytes.begin(), std::min<qsizetype>(nameBytes.size(), NameLength), report.begin() + L::Name);

    const std::uint32_t length = LoggerDevice->GetCaps().OutputReportByteLength;
    std::uint32_t written = 0;
    const bool sent = length <= report.size() ? LoggerDevice->WriteReport(report.data(), length, written)
                                              : (zq::hid::setLastError(EMSGSIZE), false);
    if (sent)
        setStatusText(2, name);
    else
        showTransportError("SET FEATURE ERROR: %s (%x)");
}

bool TMainForm::NomeEquipamentoKeyPress(QChar key) const
{
    return key.unicode() == 8 || inNameSet(key);
}

void TMainForm::NomeEquipamentoExit()
{
    NomeEquipamento->setText(FormataNomeEquipamento(NomeEquipamento->text()));
}

QString TMainForm::FormataNomeEquipamento(const QString& text)
{
    QString kept;
    for (const QChar c : QStringView(text).left(NameLength))
        if (inNameSet(c))
            kept += c;
    if (kept.isEmpty())
        return QString::fromLatin1(DefaultDeviceName);
    // Control characters and spaces at either end go.
    qsizetype begin = 0;
    qsizetype end = kept.size();
    while (begin < end && kept[begin].unicode() <= 32)
        ++begin;
    while (end > begin && kept[end - 1].unicode() <= 32)
        --end;
    return kept.mid(begin, end - begin);
}
