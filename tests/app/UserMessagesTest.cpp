// The faults a user can meet, each told in one box: the text from the
// program's message table, naming the file and the cause, under the icon of
// its severity.
#include "AppTestSupport.h"

#include "platform/Messages.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using platform::Message;
using platform::Severity;

// The fault cases below set their scene up through this.
class UserMessagesTest : public AppTestEnv {
public:
    using AppTestEnv::folder;
    using AppTestEnv::form;
    using AppTestEnv::services_;
    using AppTestEnv::settingsPath_;
    using AppTestEnv::writeSettings;

    QString base() const { return folder(QStringLiteral("logs")); }

    TMainForm& showWithBase()
    {
        writeSettings("LogDir=" + base().toStdString() + "\nAutoEscala=S\n");
        return form();
    }

    // A finished download of log 7 of "MeuCarro", `received` of its rows complete.
    void finishDownload(int rows, int received)
    {
        TMainForm& f = form();
        const std::vector<std::uint8_t> ids{0, 1, 10};
        f.DownloadState = makeDownload(ids, static_cast<std::uint32_t>(rows));
        f.Dados.setRowCount(rows);
        f.Dados.setColCount(static_cast<int>(ids.size()));
        for (int r = 0; r < received; ++r)
            for (int c = 0; c < static_cast<int>(ids.size()); ++c)
                f.Dados.setCell(c, r, std::uint8_t(r));
        f.DownloadState.Row = received;
        f.Downloading = true;
        const std::uint8_t end[64] = {lp::ReplyEnd};
        f.ShowRead(nullptr, 0, end, sizeof end);
    }

    std::string logPath(const char* relative) const { return (fs::path(base().toStdString()) / relative).string(); }

    void makeLog(const char* relative, std::uint32_t rows = 20) const
    {
        fs::create_directories(fs::path(logPath(relative)).parent_path());
        writeLog(logPath(relative), log_file::MakeDownloadHead(makeDownload({0, 1, 10}, rows), rows),
                 makeColumns(3, rows, [](auto, auto) { return std::uint8_t(1); }));
    }
};

struct Fault {
    const char* name;
    std::function<void(UserMessagesTest&)> cause;
    std::function<QString(UserMessagesTest&)> expected;
    Severity severity;
};

class UserMessagesFaultTest : public UserMessagesTest, public testing::WithParamInterface<Fault> {};

QString text(Message id, std::initializer_list<QString> args = {})
{
    return platform::messageText(id, args);
}

QString path(const std::string& p)
{
    return QString::fromStdString(p);
}

TEST_P(UserMessagesFaultTest, IsToldInOneBoxWithItsIcon)
{
    const Fault& fault = GetParam();
    fault.cause(*this);
    ASSERT_EQ(dialogs_.shown().size(), 1u);
    const platform::ScriptedDialogs::Shown& box = dialogs_.shown()[0];
    EXPECT_EQ(box.kind, platform::ScriptedDialogs::Kind::Message);
    EXPECT_EQ(box.text, fault.expected(*this));
    EXPECT_EQ(box.severity, fault.severity);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, UserMessagesFaultTest,
    testing::Values(
        Fault{"SettingsFileIsAFolder",
              [](auto& t) {
                  fs::create_directories(t.settingsPath_);
                  t.form();
              },
              [](auto& t) {
                  return text(Message::SettingsDefaultsUsed,
                              {text(Message::SettingsRead, {path(t.settingsPath_.string()), text(Message::CauseNotRegular)}),
                               t.services_.defaultLogDir});
              },
              Severity::Error},
        Fault{"SettingsFileDamaged",
              [](auto& t) {
                  fs::create_directories(t.settingsPath_.parent_path());
                  std::ofstream(t.settingsPath_) << "LogDir=/x\n";
                  t.form();
              },
              [](auto& t) {
                  return text(Message::SettingsDefaultsUsed,
                              {text(Message::SettingsRead, {path(t.settingsPath_.string()),
                                                            text(Message::CauseDamagedLine, {"1"})}),
                               t.services_.defaultLogDir});
              },
              Severity::Error},
        Fault{"DamagedLogOpened",
              [](auto& t) {
                  t.makeLog("Carro/ruim.ZQL");
                  fs::resize_file(t.logPath("Carro/ruim.ZQL"), 100);
                  t.showWithBase().AbreArquivo(t.base() + "/Carro", "ruim.ZQL");
              },
              [](auto& t) {
                  return text(Message::LogDamaged,
                              {path(t.logPath("Carro/ruim.ZQL")), text(Message::ReasonShorterThanHead)});
              },
              Severity::Error},
        Fault{"ReadOnlyLogSaved",
              [](auto& t) {
                  t.makeLog("Carro/ro.ZQL");
                  TMainForm& f = t.showWithBase();
                  f.AbreArquivo(t.base() + "/Carro", "ro.ZQL");
                  fs::permissions(t.logPath("Carro/ro.ZQL"), fs::perms::owner_read);
                  f.ToolButton13Click();
              },
              [](auto& t) {
                  return text(Message::LogWrite, {path(t.logPath("Carro/ro.ZQL")), text(Message::CauseReadOnly)});
              },
              Severity::Error},
        Fault{"DeviceFolderIsAFile",
              [](auto& t) {
                  t.showWithBase();
                  std::ofstream(t.logPath("MeuCarro")) << "x";
                  t.finishDownload(10, 10);
              },
              [](auto& t) {
                  return text(Message::FolderCreate, {path(t.logPath("MeuCarro")), platform::causeText(EEXIST)});
              },
              Severity::Error},
        Fault{"BaseFolderCannotBeMade",
              [](auto& t) {
                  std::ofstream(t.folder("blocked").toStdString()) << "x";
                  t.writeSettings("LogDir=" + t.folder("blocked/logs").toStdString() + "\n");
                  t.form();
                  t.finishDownload(10, 10);
              },
              [](auto& t) { return text(Message::LogFolderMissing, {t.folder("blocked/logs")}); }, Severity::Error},
        // A settings key without a base folder: none is made up.
        Fault{"NoBaseFolderChosen",
              [](auto& t) {
                  t.writeSettings("AutoEscala=S\n");
                  t.form();
                  t.finishDownload(10, 10);
              },
              [](auto&) { return text(Message::LogFolderNotChosen); }, Severity::Error},
        Fault{"NoCompleteRow", [](auto& t) { t.showWithBase(), t.finishDownload(10, 0); },
              [](auto&) { return text(Message::LogNoCompleteRow); }, Severity::Warning},
        Fault{"IncompleteDownload", [](auto& t) { t.showWithBase(), t.finishDownload(10, 4); },
              [](auto&) { return text(Message::LogIncomplete, {"4", "10"}); }, Severity::Warning}),
    caseName);

} // namespace
