#include "AppTestSupport.h"

#include <QFile>

namespace {

using platform::Answer;

class MainFormDeviceTest : public LoggerFormTest {
protected:
    void listLog(unsigned number)
    {
        form().DIR->addItem(QStringLiteral("LOG#%1 - [10segundos]").arg(number, 5, 10, QLatin1Char('0')));
    }
};

struct Identity {
    const char* name;
    std::uint16_t vendor, product;
    const char16_t* manufacturer;
    bool taken;
};

class DetectionTest : public MainFormDeviceTest, public testing::WithParamInterface<Identity> {};

TEST_P(DetectionTest, OnlyTheExactIdentityIsTakenAndOthersStayAcquired)
{
    const Identity& id = GetParam();
    TMainForm& f = form();
    zq::hid::SimulatedDeviceInfo info{id.vendor, id.product, 0, id.manufacturer, u"", 65, 65, 65};
    hidBus_->plug(info);
    ASSERT_TRUE(waitUntil([&] { return f.HidCtl->DeviceList().size() == 1; }));
    TJvHidDevice* device = f.HidCtl->DeviceList().front();
    EXPECT_TRUE(device->Acquired());
    EXPECT_EQ(f.LoggerDevice == device, id.taken);
    EXPECT_EQ(f.statusText(1), id.taken ? "CONECTADO" : "DESCONECTADO");
    EXPECT_EQ(f.Timer1->isActive(), id.taken);
    if (id.taken)
        return;
    // Never examined again, and a logger arriving later is still found.
    logger().plug();
    ASSERT_TRUE(waitUntil([&] { return f.LoggerDevice != nullptr; }));
    EXPECT_NE(f.LoggerDevice, device);
}

INSTANTIATE_TEST_SUITE_P(Identities, DetectionTest,
                         testing::Values(Identity{"Logger", 0xFF00, 0xFF01, u"Zorvan Performance Parts.", true},
                                         Identity{"NoFullStop", 0xFF00, 0xFF01, u"Zorvan Performance Parts", false},
                                         Identity{"OtherCase", 0xFF00, 0xFF01, u"ZORVAN Performance Parts.", false},
                                         Identity{"OtherProduct", 0xFF00, 0xFF02, u"Zorvan Performance Parts.", false}),
                         caseName);

struct Button {
    const char* name;
    void (TMainForm::*click)();
};

class BusyTest : public MainFormDeviceTest, public testing::WithParamInterface<Button> {};

TEST_P(BusyTest, BusyBitShowsTheMessageAndADownloadKeepsSilent)
{
    connectLogger();
    TMainForm& f = form();
    listLog(7);
    select(7);
    dialogs_.defaultAnswer = Answer::Yes;
    logger().setFaults({.stayBusy = true});
    (f.*GetParam().click)();
    EXPECT_EQ(dialogs_.texts(),
              std::vector<QString>{"DataLogger está ocupado executando outra função. Tente novamente !"});

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
                         caseName);

struct DeleteCase {
    const char* name;
    int page;
    bool select;
    Answer answer;
    bool asked, sent;
};

class DeleteTest : public MainFormDeviceTest, public testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteTest, AsksOnPageZeroAndSendsOnlyForASelectedLog)
{
    const DeleteCase& c = GetParam();
    connectLogger();
    TMainForm& f = form();
    listLog(300);
    listLog(12);
    if (c.select)
        select(300);
    f.PageControl1->setCurrentIndex(c.page);
    dialogs_.answer(c.answer);
    f.ToolButton20Click();
    EXPECT_EQ(dialogs_.shown().size(), c.asked ? 1U : 0U);
    const auto received = logger().received();
    ASSERT_EQ(received.size(), c.sent ? 1U : 0U);
    EXPECT_EQ(f.DIR->count(), c.sent ? 1 : 2);
    if (c.sent) {
        EXPECT_EQ(std::vector(received[0].begin() + 1, received[0].begin() + 4),
                  (std::vector<std::uint8_t>{lp::CmdDelete, 1, 44})); // 300 = 1 x 256 + 44
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DeleteTest,
                         testing::Values(DeleteCase{"Yes", 0, true, Answer::Yes, true, true},
                                         DeleteCase{"No", 0, true, Answer::No, true, false},
                                         DeleteCase{"NothingSelected", 0, false, Answer::Yes, true, false},
                                         DeleteCase{"OtherPage", 1, true, Answer::Yes, false, false}),
                         caseName);

struct DeletedLog {
    const char* name;
    unsigned chosen; // of the logs 1, 2 and 3
};

class DeleteLeavesNoChoiceTest : public MainFormDeviceTest, public testing::WithParamInterface<DeletedLog> {};

// The list does not pass the choice on to a neighbour of the deleted log: a
// second press, even once the list has the focus again, deletes nothing.
TEST_P(DeleteLeavesNoChoiceTest, ASecondPressFindsNoLogChosen)
{
    connectLogger();
    TMainForm& f = form();
    for (unsigned number : {1U, 2U, 3U})
        listLog(number);
    select(GetParam().chosen);
    dialogs_.defaultAnswer = Answer::Yes;
    f.ToolButton20Click();
    ASSERT_EQ(logger().received().size(), 1U);
    EXPECT_EQ(f.DIR->count(), 2);
    EXPECT_THAT(f.DIR->selectedItems(), testing::IsEmpty());
    EXPECT_EQ(f.DIR->currentItem(), nullptr);

    f.DIR->setFocus();
    QFocusEvent focusIn(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(f.DIR->viewport(), &focusIn);
    QCoreApplication::sendEvent(f.DIR, &focusIn);
    EXPECT_THAT(f.DIR->selectedItems(), testing::IsEmpty());

    dialogs_.clearShown();
    f.ToolButton20Click();
    EXPECT_EQ(dialogs_.texts(), std::vector<QString>{"Confirma a Exclusão deste LOG ?"});
    EXPECT_EQ(logger().received().size(), 1U);
    EXPECT_EQ(f.DIR->count(), 2);
}

INSTANTIATE_TEST_SUITE_P(Logs, DeleteLeavesNoChoiceTest,
                         testing::Values(DeletedLog{"First", 1}, DeletedLog{"Middle", 2}, DeletedLog{"Last", 3}),
                         caseName);

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
    EXPECT_EQ(std::vector(received[0].begin() + 1, received[0].begin() + 4),
              (std::vector<std::uint8_t>{0x10, 0x19, std::uint8_t(c.ids.size())}));
    EXPECT_EQ(logger().ids(), c.ids);
    EXPECT_EQ(QString::fromStdString(logger().name()), c.sentName);
    EXPECT_EQ(f.statusText(2), c.sentName);
    if (c.ticked.empty()) {
        EXPECT_EQ(tickedItems(*f.ListaCanais), std::vector<int>{1});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SendConfigurationTest,
    testing::Values(ConfigCase{"NothingTicked", {}, "Carro", {0, 1}, "Carro"},
                    ConfigCase{"AllTicked",
                               {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14},
                               "Meu Carro 2010!!",
                               {8, 9, 0, 1, 6, 7, 10, 16, 17, 11, 20, 19, 14, 15, 2, 3, 12, 4, 5, 13, 18},
                               "Meu Carro 2010"},
                    ConfigCase{"SomeTicked", {14, 3, 9}, "", {10, 14, 15, 18}, "QuillstoneZorvan"}),
    caseName);

struct NameCase {
    const char* name;
    QString typed, cleaned;
};

TEST(NameCleaningTest, KeepsTheNameSetOfTheFirstSixteenCharacters)
{
    const NameCase cases[] = {NameCase{"TwentyCharacters", "ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOP"},
                                         // Dropped characters count towards the sixteen.
                                         NameCase{"CutBeforeCleaning", "!!!!!!!!!!!!!!!!AB", "QuillstoneZorvan"},
                                         NameCase{"OnlySpaces", "    ", ""},
                                         NameCase{"Trimmed", "  a b  ", "a b"},
                                         NameCase{"WholeSet", "Rotação#(1)-@[x]_", "Rotao#(1)-@[x]"}};
    for (const NameCase& c : cases)
        EXPECT_EQ(TMainForm::FormataNomeEquipamento(c.typed), c.cleaned) << c.name;
}

TEST_F(MainFormDeviceTest, NameEditDropsKeysOutsideTheSetAndCleansOnExit)
{
    TMainForm& f = form();
    QTest::keyClicks(f.NomeEquipamento, " ab!c.d#");
    QTest::keyClick(f.NomeEquipamento, Qt::Key_Backspace);
    EXPECT_EQ(f.NomeEquipamento->text(), " abcd");
    QFocusEvent focusOut(QEvent::FocusOut);
    QCoreApplication::sendEvent(f.NomeEquipamento, &focusOut);
    EXPECT_EQ(f.NomeEquipamento->text(), "abcd");
}

// A key as the windowing system delivers it: with Ctrl held, a letter comes
// as its control character, and Delete as DEL.
void press(QLineEdit& edit, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QString text;
    if (modifiers & Qt::ControlModifier && key >= Qt::Key_A && key <= Qt::Key_Z)
        text = QChar(char16_t(key - Qt::Key_A + 1));
    else if (key == Qt::Key_Delete)
        text = QChar(char16_t(0x7F));
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(&edit, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(&edit, &up);
}

struct EditKeys {
    const char* name;
    std::function<void(QLineEdit&)> keys;
    const char* text;
};

// The name edit sifts typed characters only: the standard editing keys work
// as in any line edit.
TEST_F(MainFormDeviceTest, NameEditKeepsTheStandardEditingKeys)
{
    const EditKeys cases[] = {
        {"SelectAllThenType",
         [](QLineEdit& e) {
             press(e, Qt::Key_A, Qt::ControlModifier);
             QTest::keyClicks(&e, "X");
         },
         "X"},
        {"DeleteAtTheStart",
         [](QLineEdit& e) {
             press(e, Qt::Key_Home);
             press(e, Qt::Key_Delete);
         },
         "bc 12"},
        {"CutAndPasteBackTwice",
         [](QLineEdit& e) {
             press(e, Qt::Key_A, Qt::ControlModifier);
             press(e, Qt::Key_X, Qt::ControlModifier);
             press(e, Qt::Key_V, Qt::ControlModifier);
             press(e, Qt::Key_V, Qt::ControlModifier);
         },
         "abc 12abc 12"},
        {"UndoTheTyping",
         [](QLineEdit& e) {
             QTest::keyClicks(&e, "Z");
             press(e, Qt::Key_Z, Qt::ControlModifier);
         },
         "abc 12"},
        {"ShiftHomeSelectsToTheStart",
         [](QLineEdit& e) {
             press(e, Qt::Key_Home, Qt::ShiftModifier);
             QTest::keyClicks(&e, "Q");
         },
         "Q"},
    };
    TMainForm& f = form();
    for (const EditKeys& c : cases) {
        f.NomeEquipamento->setText(QStringLiteral("abc 12"));
        f.NomeEquipamento->setFocus();
        c.keys(*f.NomeEquipamento);
        EXPECT_EQ(f.NomeEquipamento->text(), QString::fromLatin1(c.text)) << c.name;
    }
}

TEST_F(MainFormDeviceTest, LoadAsksAboutAnExistingFileAndStartsTheWatchdog)
{
    writeSettings("LogDir=" + folder("logs").toStdString() + "\n");
    connectLogger();
    TMainForm& f = form();
    f.setStatusText(2, "ABC");
    ASSERT_TRUE(QDir().mkpath(folder("logs/ABC")));
    QFile(folder("logs/ABC/ABC_LOG_00007.ZQL")).open(QIODevice::WriteOnly);
    listLog(7);
    select(7);

    dialogs_.answer(Answer::No);
    f.ToolButton19Click();
    ASSERT_FALSE(dialogs_.shown().empty());
    EXPECT_EQ(dialogs_.shown()[0].kind, platform::ScriptedDialogs::Kind::YesNo);
    // No opens the file there is; this one is empty, so that fails and says which.
    EXPECT_THAT(dialogs_.shown().back().text.toStdString(), testing::HasSubstr("ABC_LOG_00007.ZQL"));
    EXPECT_FALSE(f.Downloading);
    EXPECT_TRUE(commandCodes().empty());

    dialogs_.answer(Answer::Yes);
    f.ToolButton19Click();
    EXPECT_TRUE(f.Downloading);
    EXPECT_EQ(f.DownTimer->interval(), 1000);
    EXPECT_EQ(commandCodes(), std::vector<std::uint8_t>{lp::CmdDownload});
    // The logger has no log 7: silence, and the watchdog ends the wait.
    ASSERT_TRUE(waitUntil([&] { return !f.Downloading; }, std::chrono::seconds(3)));
}

} // namespace
