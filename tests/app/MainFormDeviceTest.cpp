#include "LoggerTestSupport.h"

#include "device/JvHidDevice.h"
#include "device/JvHidDeviceController.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest/QTest>

namespace {

using namespace loggertest;
using platform::Answer;
using Kind = platform::ScriptedDialogs::Kind;

const QString BusyText = QStringLiteral("DataLogger está ocupado executando outra função. Tente novamente !");

class MainFormDeviceTest : public LoggerFormTest {
protected:
    // A list entry the way the list reply writes it.
    void listLog(unsigned number)
    {
        form().DIR->addItem(QStringLiteral("LOG#%1 - [10segundos]").arg(number, 5, 10, QLatin1Char('0')));
    }
    void selectLog(unsigned number)
    {
        const auto found = form().DIR->findItems(QStringLiteral("LOG#%1").arg(number, 5, 10, QLatin1Char('0')),
                                                 Qt::MatchStartsWith);
        ASSERT_EQ(found.size(), 1);
        form().DIR->setCurrentItem(found.front());
    }
    bool settle() { return logger().waitUntilIdle(std::chrono::seconds(2)); }
};

struct Identity {
    const char* name;
    std::uint16_t vendor;
    std::uint16_t product;
    const char16_t* manufacturer;
    bool taken;
};

class DetectionTest : public MainFormDeviceTest, public testing::WithParamInterface<Identity> {};

TEST_P(DetectionTest, OnlyTheExactIdentityIsTakenAndOthersStayAcquired)
{
    const Identity& id = GetParam();
    TMainForm& f = form();
    zq::hid::SimulatedDeviceInfo info;
    info.vendorId = id.vendor;
    info.productId = id.product;
    info.manufacturer = id.manufacturer;
    info.inputReportLength = info.outputReportLength = info.featureReportLength = 65;
    hidBus_->plug(info);
    ASSERT_TRUE(waitUntil([&] { return f.HidCtl->DeviceList().size() == 1; }));
    TJvHidDevice* device = f.HidCtl->DeviceList().front();
    EXPECT_TRUE(device->Acquired());
    EXPECT_EQ(f.LoggerDevice == device, id.taken);
    EXPECT_EQ(f.statusText(1), id.taken ? QStringLiteral("CONECTADO") : QStringLiteral("DESCONECTADO"));
    EXPECT_EQ(f.ConnectionStep, id.taken ? 1 : 0);
    EXPECT_EQ(f.Timer1->isActive(), id.taken);
    if (id.taken)
        return;
    // Not examined again: the next change only looks at free devices, and
    // a real logger that arrives is still found.
    logger().plug();
    ASSERT_TRUE(waitUntil([&] { return f.LoggerDevice != nullptr; }));
    EXPECT_NE(f.LoggerDevice, device);
    EXPECT_TRUE(device->Acquired());
}

INSTANTIATE_TEST_SUITE_P(
    Identities, DetectionTest,
    testing::Values(Identity{"Logger", 0xFF00, 0xFF01, u"Zorvan Performance Parts.", true},
                    Identity{"NoFullStop", 0xFF00, 0xFF01, u"Zorvan Performance Parts", false},
                    Identity{"OtherCase", 0xFF00, 0xFF01, u"ZORVAN Performance Parts.", false},
                    Identity{"OtherProduct", 0xFF00, 0xFF02, u"Zorvan Performance Parts.", false},
                    Identity{"OtherVendor", 0x1234, 0xFF01, u"Zorvan Performance Parts.", false}),
    [](const testing::TestParamInfo<Identity>& info) { return std::string(info.param.name); });

TEST_F(MainFormDeviceTest, ConnectionAsksConfigurationThenListAndUnplugLetsGo)
{
    logger().addLog({7, 10, {1}, std::vector<std::uint8_t>(50, 3), {}});
    connectLogger();
    TMainForm& f = form();
    EXPECT_EQ(f.Timer1->interval(), 600);
    EXPECT_TRUE(f.Timer1->isActive());

    // Driven by hand: the configuration first, the list once it is answered.
    f.Timer1->stop();
    f.Timer1Timer();
    EXPECT_EQ(commandCodes(), (std::vector<std::uint8_t>{lp::CmdReadConfig}));
    ASSERT_TRUE(waitUntil([&] { return f.ConnectionStep == 2; }));
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_EQ(f.Timer1->interval(), 600);
    EXPECT_EQ(f.statusText(2), QStringLiteral("QuillstoneZorvan"));

    f.Timer1->stop();
    f.Timer1Timer();
    EXPECT_EQ(f.ConnectionStep, 0);
    EXPECT_FALSE(f.Timer1->isActive());
    ASSERT_TRUE(waitUntil([&] { return f.DIR->count() == 1; }));
    EXPECT_EQ(f.DIR->item(0)->text(), QStringLiteral("LOG#00007 - [5segundos]"));

    logger().unplug();
    ASSERT_TRUE(waitUntil([&] { return f.LoggerDevice == nullptr; }));
    EXPECT_EQ(f.statusText(1), QStringLiteral("DESCONECTADO"));
    EXPECT_EQ(f.statusText(2), QString());
    EXPECT_EQ(f.DIR->count(), 0);

    // A tick after the logger went resets the sequence.
    f.ConnectionStep = 2;
    f.Timer1Timer();
    EXPECT_EQ(f.ConnectionStep, 0);
}

struct Button {
    const char* name;
    void (TMainForm::*click)();
};

class BusyTest : public MainFormDeviceTest, public testing::WithParamInterface<Button> {};

TEST_P(BusyTest, BusyBitShowsTheMessageAndDownloadIsSilent)
{
    connectLogger();
    TMainForm& f = form();
    listLog(7);
    selectLog(7);
    dialogs_.defaultAnswer = Answer::Yes;

    zq::sim::LoggerFaults faults;
    faults.stayBusy = true;
    logger().setFaults(faults);
    (f.*GetParam().click)();
    EXPECT_EQ(dialogs_.texts(), std::vector<QString>{BusyText});
    EXPECT_TRUE(f.DeviceBusy);

    dialogs_.clearShown();
    logger().setFaults({});
    f.Downloading = true;
    (f.*GetParam().click)();
    EXPECT_TRUE(dialogs_.shown().empty());
    EXPECT_TRUE(commandCodes().empty());
}

INSTANTIATE_TEST_SUITE_P(Buttons, BusyTest,
                         testing::Values(Button{"List", &TMainForm::ToolButton9Click},
                                         Button{"Load", &TMainForm::ToolButton19Click},
                                         Button{"Delete", &TMainForm::ToolButton20Click},
                                         Button{"Erase", &TMainForm::ToolButton21Click},
                                         Button{"ReadConfiguration", &TMainForm::ToolButton32Click},
                                         Button{"SendConfiguration", &TMainForm::ToolButton34Click}),
                         [](const testing::TestParamInfo<Button>& info) { return std::string(info.param.name); });

TEST_F(MainFormDeviceTest, FailedStatusReadShowsTheErrorAndKeepsTheLastValue)
{
    connectLogger();
    TMainForm& f = form();
    f.DeviceBusy = true;
    logger().device()->setGetFeatureHandler(nullptr); // the device stalls the request
    f.GetStatus();
    EXPECT_TRUE(f.DeviceBusy);
    ASSERT_EQ(dialogs_.texts().size(), 1U);
    EXPECT_TRUE(dialogs_.texts()[0].startsWith(QStringLiteral("GET FEATURE ERROR: ")));
    EXPECT_TRUE(dialogs_.texts()[0].endsWith(QStringLiteral(" (20)"))); // EPIPE in hexadecimal
}

struct DeleteCase {
    const char* name;
    int page;
    bool select;
    Answer answer;
    std::vector<QString> asked;
    bool sent;
};

class DeleteTest : public MainFormDeviceTest, public testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteTest, DeleteAsksOnPageZeroAndSendsOnlyForASelectedLog)
{
    const DeleteCase& c = GetParam();
    connectLogger();
    TMainForm& f = form();
    listLog(300);
    listLog(12);
    if (c.select)
        selectLog(300);
    f.PageControl1->setCurrentIndex(c.page);
    dialogs_.answer(c.answer);
    f.ToolButton20Click();
    EXPECT_EQ(dialogs_.texts(), c.asked);
    ASSERT_TRUE(settle());
    if (c.sent) {
        const auto received = logger().received();
        ASSERT_EQ(received.size(), 1U);
        EXPECT_EQ(received[0][1], lp::CmdDelete);
        EXPECT_EQ(received[0][2], 1);  // 300 / 256
        EXPECT_EQ(received[0][3], 44); // 300 % 256
        EXPECT_EQ(itemTexts(*f.DIR), std::vector<QString>{QStringLiteral("LOG#00012 - [10segundos]")});
    } else {
        EXPECT_TRUE(commandCodes().empty());
        EXPECT_EQ(f.DIR->count(), 2);
    }
}

const QString DeleteQuestion = QStringLiteral("Confirma a Exclusão deste LOG ?");

INSTANTIATE_TEST_SUITE_P(
    Cases, DeleteTest,
    testing::Values(DeleteCase{"Yes", 0, true, Answer::Yes, {DeleteQuestion}, true},
                    DeleteCase{"No", 0, true, Answer::No, {DeleteQuestion}, false},
                    DeleteCase{"NothingSelected", 0, false, Answer::Yes, {DeleteQuestion}, false},
                    DeleteCase{"OtherPage", 1, true, Answer::Yes, {}, false}),
    [](const testing::TestParamInfo<DeleteCase>& info) { return std::string(info.param.name); });

TEST_F(MainFormDeviceTest, EraseWarnsAsksAndClearsTheListOnlyWhenSent)
{
    connectLogger();
    TMainForm& f = form();
    logger().addLog({1, 1, {1}, {1, 2}, {}});
    listLog(1);
    dialogs_.answer(Answer::No);
    f.ToolButton21Click();
    EXPECT_EQ(dialogs_.shown().size(), 2U);
    EXPECT_EQ(f.DIR->count(), 1);
    EXPECT_TRUE(commandCodes().empty());

    dialogs_.clearShown();
    dialogs_.answer(Answer::Yes);
    f.ToolButton21Click();
    EXPECT_EQ(dialogs_.texts().back(),
              QStringLiteral("Formatação concluida com sucesso !!! Todos dados foram apagados."));
    EXPECT_EQ(f.DIR->count(), 0);
    EXPECT_TRUE(logger().logs().empty());

    // A send that fails says so and leaves the list alone.
    dialogs_.clearShown();
    listLog(1);
    logger().device()->setSetFeatureHandler(nullptr);
    dialogs_.answer(Answer::Yes);
    f.ToolButton21Click();
    EXPECT_TRUE(dialogs_.texts().back().startsWith(QStringLiteral("SET FEATURE ERROR: ")));
    EXPECT_EQ(f.DIR->count(), 1);
}

struct ConfigCase {
    const char* name;
    std::vector<int> ticked;
    QString typedName;
    std::vector<std::uint8_t> ids;
    QString sentName;
};

class SendConfigurationTest : public MainFormDeviceTest, public testing::WithParamInterface<ConfigCase> {};

TEST_P(SendConfigurationTest, TickedItemsAndCleanedNameAreSent)
{
    const ConfigCase& c = GetParam();
    connectLogger();
    TMainForm& f = form();
    for (int item = 0; item < f.ListaCanais->count(); ++item)
        f.ListaCanais->item(item)->setCheckState(Qt::Unchecked);
    for (int item : c.ticked)
        f.ListaCanais->item(item)->setCheckState(Qt::Checked);
    f.NomeEquipamento->setText(c.typedName);
    f.ToolButton34Click();

    const auto received = logger().received();
    ASSERT_EQ(received.size(), 1U);
    const lp::Report& r = received[0];
    EXPECT_EQ(r[1], 0x10);
    EXPECT_EQ(r[2], 0x19);
    EXPECT_EQ(r[3], c.ids.size());
    EXPECT_EQ(std::vector<std::uint8_t>(r.begin() + 4, r.begin() + 4 + static_cast<long>(c.ids.size())), c.ids);
    EXPECT_TRUE(std::all_of(r.begin() + 4 + static_cast<long>(c.ids.size()), r.begin() + 36,
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(logger().name(), c.sentName.toStdString());
    EXPECT_EQ(f.NomeEquipamento->text(), c.sentName);
    EXPECT_EQ(f.statusText(2), c.sentName);
    EXPECT_EQ(logger().ids(), c.ids);
    if (c.ticked.empty()) {
        EXPECT_EQ(tickedItems(*f.ListaCanais), std::vector<int>{1});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SendConfigurationTest,
    testing::Values(
        ConfigCase{"NothingTicked", {}, QStringLiteral("Carro"), {0, 1}, QStringLiteral("Carro")},
        ConfigCase{"AllTicked",
                   {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14},
                   QStringLiteral("Meu Carro 2010!!"),
                   {8, 9, 0, 1, 6, 7, 10, 16, 17, 11, 20, 19, 14, 15, 2, 3, 12, 4, 5, 13, 18},
                   QStringLiteral("Meu Carro 2010")},
        ConfigCase{"SomeTicked", {14, 3, 9}, QString(), {10, 14, 15, 18}, QStringLiteral("QuillstoneZorvan")}),
    [](const testing::TestParamInfo<ConfigCase>& info) { return std::string(info.param.name); });

struct NameCase {
    const char* name;
    QString typed;
    QString cleaned;
};

class NameCleaningTest : public testing::TestWithParam<NameCase> {};

TEST_P(NameCleaningTest, KeepsTheNameSetOfTheFirstSixteenCharacters)
{
    EXPECT_EQ(TMainForm::FormataNomeEquipamento(GetParam().typed), GetParam().cleaned);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameCleaningTest,
    testing::Values(NameCase{"Exclamations", QStringLiteral("Meu Carro 2010!!"), QStringLiteral("Meu Carro 2010")},
                    NameCase{"TwentyCharacters", QStringLiteral("ABCDEFGHIJKLMNOPQRST"),
                             QStringLiteral("ABCDEFGHIJKLMNOP")},
                    // Dropped characters still count towards the sixteen.
                    NameCase{"CutBeforeCleaning", QStringLiteral("!!!!!!!!!!!!!!!!AB"),
                             QStringLiteral("QuillstoneZorvan")},
                    NameCase{"Empty", QString(), QStringLiteral("QuillstoneZorvan")},
                    NameCase{"OnlySpaces", QStringLiteral("    "), QString()},
                    NameCase{"Trimmed", QStringLiteral("  a b  "), QStringLiteral("a b")},
                    NameCase{"Accents", QStringLiteral("Rotação#(1)-@[x]_"), QStringLiteral("Rotao#(1)-@[x]")}),
    [](const testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

TEST_F(MainFormDeviceTest, NameEditDropsKeysOutsideTheSetAndCleansOnExit)
{
    TMainForm& f = form();
    f.NomeEquipamento->setFocus();
    QTest::keyClicks(f.NomeEquipamento, QStringLiteral(" ab!c.d#"));
    EXPECT_EQ(f.NomeEquipamento->text(), QStringLiteral(" abcd#"));
    QTest::keyClick(f.NomeEquipamento, Qt::Key_Backspace);
    EXPECT_EQ(f.NomeEquipamento->text(), QStringLiteral(" abcd"));
    QFocusEvent focusOut(QEvent::FocusOut);
    QCoreApplication::sendEvent(f.NomeEquipamento, &focusOut);
    EXPECT_EQ(f.NomeEquipamento->text(), QStringLiteral("abcd"));
}

TEST_F(MainFormDeviceTest, LoadAsksAboutAnExistingFileAndStartsTheWatchdog)
{
    writeSettings("LogDir=" + folder(QStringLiteral("logs")).toStdString() + "\nAutoEscala=S\n");
    connectLogger();
    TMainForm& f = form();
    f.setStatusText(2, QStringLiteral("ABC"));
    ASSERT_TRUE(QDir().mkpath(folder(QStringLiteral("logs/ABC"))));
    QFile existing(folder(QStringLiteral("logs/ABC/ABC_LOG_00007.ZQL")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    listLog(7);
    selectLog(7);

    dialogs_.answer(Answer::No);
    f.ToolButton19Click();
    ASSERT_FALSE(dialogs_.shown().empty());
    EXPECT_EQ(dialogs_.shown()[0].kind, Kind::YesNo);
    // No opens the file there is (this one is empty, so opening it fails and says which).
    EXPECT_THAT(dialogs_.shown().back().text.toStdString(), testing::HasSubstr("ABC_LOG_00007.ZQL"));
    EXPECT_FALSE(f.Downloading);
    EXPECT_TRUE(commandCodes().empty());

    dialogs_.clearShown();
    dialogs_.answer(Answer::Yes);
    f.ToolButton19Click();
    EXPECT_EQ(dialogs_.shown().size(), 1U);
    EXPECT_TRUE(f.Downloading);
    EXPECT_TRUE(f.DownTimer->isActive());
    EXPECT_EQ(f.DownTimer->interval(), 1000);
    const auto received = logger().received();
    ASSERT_EQ(received.size(), 1U);
    EXPECT_EQ(received[0][1], lp::CmdDownload);
    EXPECT_EQ(received[0][3], 7);

    // The logger has no log 7: silence, and the watchdog ends the wait.
    ASSERT_TRUE(waitUntil([&] { return !f.Downloading; }, std::chrono::seconds(3)));
}

} // namespace
