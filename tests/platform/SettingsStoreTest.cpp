#include "platform/PlatformError.h"
#include "platform/SettingsStore.h"

#include <gmock/gmock.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using platform::PlatformError;
using platform::SettingsStore;
using testing::HasSubstr;

constexpr char Key[] = "\\SOFTWARE\\Zorvan";

class SettingsStoreTest : public testing::Test {
protected:
    fs::path file() const { return fs::path(dir_.path().toStdString()) / "cfg" / "store.conf"; }

    void writeFile(const std::string& text) const
    {
        fs::create_directories(file().parent_path());
        std::ofstream(file(), std::ios::binary) << text;
    }

    QTemporaryDir dir_;
};

TEST_F(SettingsStoreTest, AbsentFileMeansAbsentKeyAndNothingIsCreated)
{
    SettingsStore store(file());
    EXPECT_FALSE(store.openKey(Key, false));
    EXPECT_FALSE(store.hasOpenKey());
    EXPECT_EQ(store.readString("LogDir"), "");
    EXPECT_FALSE(fs::exists(file()));
}

TEST_F(SettingsStoreTest, CreatedKeyExistsWithAbsentValuesReadingEmpty)
{
    SettingsStore store(file());
    ASSERT_TRUE(store.openKey(Key, true));
    store.writeString("LogDir", "/data/logs");
    store.closeKey();

    SettingsStore other(file());
    ASSERT_TRUE(other.openKey("SOFTWARE\\Zorvan", false)); // leading backslash is optional
    EXPECT_EQ(other.readString("LogDir"), "/data/logs");
    EXPECT_EQ(other.readString("AutoEscala"), "");
    EXPECT_FALSE(other.openKey("\\SOFTWARE\\Other", false));
}

TEST_F(SettingsStoreTest, WrittenValueIsReadBackByAFreshProcess)
{
    {
        SettingsStore store(file());
        ASSERT_TRUE(store.openKey(Key, true));
        store.writeString("AutoEscala", "N");
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int code = 3;
        try {
            SettingsStore store(file());
            code = store.openKey(Key, false) && store.readString("AutoEscala") == "N" ? 0 : 1;
        } catch (...) {
            code = 2;
        }
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(SettingsStoreTest, ValuesSurviveTheTextFormat)
{
    const std::string values[] = {
        "C:\\Zorvan_Logs", "line one\nline two\r\n", "a=b=c", "Memória [x] #1", "", "trailing\\",
    };
    SettingsStore store(file());
    ASSERT_TRUE(store.openKey(Key, true));
    for (std::size_t i = 0; i < std::size(values); ++i)
        store.writeString("Value" + std::to_string(i), values[i]);

    SettingsStore reader(file());
    ASSERT_TRUE(reader.openKey(Key, false));
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(reader.readString("Value" + std::to_string(i)), values[i]) << "value " << i;
}

TEST_F(SettingsStoreTest, WriteKeepsWhatAnotherInstanceWroteMeanwhile)
{
    SettingsStore first(file());
    SettingsStore second(file());
    ASSERT_TRUE(first.openKey(Key, true));
    ASSERT_TRUE(second.openKey(Key, false));
    first.writeString("LogDir", "/one");
    second.writeString("AutoEscala", "S");

    SettingsStore reader(file());
    ASSERT_TRUE(reader.openKey(Key, false));
    EXPECT_EQ(reader.readString("LogDir"), "/one");
    EXPECT_EQ(reader.readString("AutoEscala"), "S");
}

struct BadFile {
    const char* name;
    const char* content; // nullptr: the path is a folder
    const char* message;
};

class SettingsStoreBadFileTest : public SettingsStoreTest, public testing::WithParamInterface<BadFile> {};

TEST_P(SettingsStoreBadFileTest, ReadingFailsWithAMessage)
{
    const BadFile& bad = GetParam();
    if (bad.content == nullptr)
        fs::create_directories(file());
    else
        writeFile(bad.content);

    SettingsStore store(file());
    try {
        store.openKey(Key, false);
        FAIL() << "no error";
    } catch (const PlatformError& error) {
        EXPECT_THAT(error.what(), HasSubstr(file().string()));
        EXPECT_THAT(error.what(), HasSubstr(bad.message));
        // The cause alone, for a caller that tells the failure in its own words.
        const auto* fileError = dynamic_cast<const platform::SettingsFileError*>(&error);
        ASSERT_NE(fileError, nullptr);
        EXPECT_EQ(fileError->cause(), bad.message);
    }
    EXPECT_FALSE(store.hasOpenKey());
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsStoreBadFileTest,
    testing::Values(BadFile{"Folder", nullptr, "não é um arquivo comum"},
                    BadFile{"ValueOutsideKey", "LogDir=/x\n", "a linha 1 está danificada"},
                    BadFile{"LineWithoutEquals", "[SOFTWARE\\Zorvan]\n# note\n\ngarbage\n", "a linha 4 está danificada"},
                    BadFile{"EmptyName", "[SOFTWARE\\Zorvan]\n=x\n", "a linha 2 está danificada"}),
    [](const testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST_F(SettingsStoreTest, UnwritableLocationFailsCreateAndWrite)
{
    // The parent "folder" is a file, which stops even root.
    writeFile("");
    fs::path blocked = file() / "inner.conf";
    SettingsStore store(blocked);
    EXPECT_THROW(store.openKey(Key, true), PlatformError);
    EXPECT_FALSE(store.hasOpenKey());
}

TEST_F(SettingsStoreTest, WriteWithoutOpenKeyFails)
{
    SettingsStore store(file());
    EXPECT_THROW(store.writeString("AutoEscala", "S"), PlatformError);
    EXPECT_FALSE(fs::exists(file()));
}

struct EnvCase {
    const char* settingsFile;
    const char* xdg;
    const char* home;
    const char* expected;
};

class SettingsStorePathTest : public testing::TestWithParam<EnvCase> {
protected:
    void SetUp() override
    {
        for (const char* name : {"ZQ_SETTINGS_FILE", "XDG_CONFIG_HOME", "HOME"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name, value->c_str(), 1);
            else
                unsetenv(name);
        }
    }
    static void set(const char* name, const char* value)
    {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_P(SettingsStorePathTest, DefaultPathFollowsEnvironment)
{
    const EnvCase& env = GetParam();
    set("ZQ_SETTINGS_FILE", env.settingsFile);
    set("XDG_CONFIG_HOME", env.xdg);
    set("HOME", env.home);
    EXPECT_EQ(SettingsStore::defaultPath(), fs::path(env.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Environment, SettingsStorePathTest,
    testing::Values(EnvCase{"/t/explicit.conf", "/xdg", "/home/u", "/t/explicit.conf"},
                    EnvCase{nullptr, "/xdg", "/home/u", "/xdg/Zorvan/Quillstone.conf"},
                    EnvCase{"", "", "/home/u", "/home/u/.config/Zorvan/Quillstone.conf"}));

} // namespace
