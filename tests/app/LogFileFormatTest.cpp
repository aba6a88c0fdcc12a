#include "AppTestSupport.h"

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <random>

using namespace log_file;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::HasSubstr;

namespace {

class LogFileFormatTest : public testing::Test {
protected:
    std::string path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)).toStdString(); }

    // Reads the log and writes it back from its decoded channels, as a chart
    // window saves it.
    void loadAndSave(const std::string& from, const std::string& to) const
    {
        const LoadedLog loaded = LoadLogFile(from, true);
        std::vector<SavedSignal> saved(loaded.head.SignalCount());
        for (const LoadedLog::Channel& channel : loaded.channels)
            saved[static_cast<std::size_t>(channel.listPosition)] = {std::span<const double>(channel.signal.values),
                                                                      channel.signal.info->wideBand};
        LogHead head = loaded.head;
        head.SetZeroOffsetMs(ZeroOffsetFor(loaded.x.empty() ? 0.0 : loaded.x.front()));
        writeLog(to, head, EncodeColumns(head, saved, loaded.rawColumns));
    }

    QTemporaryDir dir_;
};

TEST_F(LogFileFormatTest, FreshDownloadOfFourColumnsIsLaidOutByteForByte)
{
    const TDownloadState d = makeDownload({0, 1, 10, 16}, 100);
    const auto columns = makeColumns(4, 100, [](std::size_t c, std::uint32_t r) { return std::uint8_t(c * 100 + r); });
    writeLog(path("a.ZQL"), MakeDownloadHead(d, 100), columns);

    const std::vector<std::uint8_t> bytes = fileBytes(path("a.ZQL"));
    ASSERT_EQ(bytes.size(), 565u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 32), Magic);
    EXPECT_THAT(std::span(bytes).subspan(32, 11), ElementsAre(0, 7, 10, 4, 0, 0, 100, 0, 0, 0, 0));
    EXPECT_THAT(std::span(bytes).subspan(64, 8), ElementsAre(1, 2, 3, 4, 5, 6, 7, 8));
    EXPECT_EQ(std::string(bytes.begin() + 72, bytes.begin() + 80), "MeuCarro");
    EXPECT_EQ(bytes[80], 0);
    EXPECT_THAT(std::span(bytes).subspan(88, 6), ElementsAre(6, 12, 26, 22, 40, 5));
    EXPECT_THAT(std::span(bytes).subspan(94, 5), ElementsAre(0, 1, 10, 16, 0));
    EXPECT_THAT(std::span(bytes).subspan(126, 5), ElementsAre(3, 1, 10, 16, 0));
    // Column-major: all of column 0, then column 1, ...
    EXPECT_EQ(bytes[159], 0);
    EXPECT_EQ(bytes[159 + 99], 99);
    EXPECT_EQ(bytes[159 + 100], 100);
    EXPECT_EQ(bytes[159 + 399], std::uint8_t(399));
    EXPECT_THAT(std::span(bytes).last(6), ElementsAre('<', 'E', 'O', 'F', '>', 0));

    const LoadedLog loaded = LoadLogFile(path("a.ZQL"), false);
    ASSERT_EQ(loaded.channels.size(), 3u);
    EXPECT_EQ(loaded.channels[0].signal.info->id, 1);
    EXPECT_DOUBLE_EQ(loaded.channels[0].signal.values[2], (2 * 256 + 102) * 10.0);
    EXPECT_EQ(loaded.channels[2].listPosition, 2);
    EXPECT_DOUBLE_EQ(loaded.channels[2].signal.values[0], 300 - 256 - 30);
    EXPECT_NEAR(loaded.x[10], 1.0, 1e-12);
}

TEST_F(LogFileFormatTest, SignalListDropsHighByteIdsAndLooksOnlyAtTheUsedColumns)
{
    const std::uint8_t ids[32] = {0, 1, 2, 3, 8, 9, 14, 15, 10, 20, 4, 5};
    const auto nine = MakeSignalList(ids, 9);
    const auto twelve = MakeSignalList(ids, 12);
    EXPECT_THAT(std::span(nine).first(7), ElementsAre(5, 1, 3, 9, 15, 10, 0));
    EXPECT_THAT(std::span(twelve).first(9), ElementsAre(7, 1, 3, 9, 15, 10, 20, 5, 0));
    EXPECT_EQ(MakeSignalList(ids, 0)[0], 0);
}

// For every signal and every byte value: written, read, saved and read again,
// the bytes come back as they were (the button keeps only its lowest bit, and
// the wide-band lambda only its low byte).
TEST_F(LogFileFormatTest, ReadSaveReadGivesBackEveryByteOfEverySignal)
{
    const std::vector<std::uint8_t> ids = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 15, 10, 11, 12, 13, 16, 17, 18, 19, 20};
    constexpr std::uint32_t rows = 65536;
    const auto columns = makeColumns(ids.size(), rows, [&](std::size_t c, std::uint32_t r) {
        if (IsHighByteId(ids[c]))
            return std::uint8_t(r >> 8);
        if (ids[c] == 20)
            return std::uint8_t(r & 1);
        return std::uint8_t(r & 0xFF);
    });
    writeLog(path("all.ZQL"), MakeDownloadHead(makeDownload(ids, rows), rows), columns);
    loadAndSave(path("all.ZQL"), path("saved.ZQL"));
    EXPECT_TRUE(fileBytes(path("all.ZQL")) == fileBytes(path("saved.ZQL")));

    // Wide-band lambda: marker in every high byte, all low bytes.
    const std::vector<std::uint8_t> lambda = {8, 9};
    const auto wide = makeColumns(2, 256, [](std::size_t c, std::uint32_t r) { return std::uint8_t(c == 0 ? 0x80 : r); });
    writeLog(path("wide.ZQL"), MakeDownloadHead(makeDownload(lambda, 256), 256), wide);
    loadAndSave(path("wide.ZQL"), path("wide-saved.ZQL"));
    EXPECT_TRUE(fileBytes(path("wide.ZQL")) == fileBytes(path("wide-saved.ZQL")));
}

// Rows with no column hold no byte: a log recorded with no signal is a tiny
// file whatever its row count says, and reading it must cost no more than its
// bytes. Times are made only for rows that a channel draws.
struct TimeAxisCase {
    const char* name;
    std::vector<std::uint8_t> columnIds;
    std::uint32_t rows;
    std::size_t channels;
    std::size_t times;
};

TEST_F(LogFileFormatTest, TimesAreMadeOnlyForRowsThatAChannelDraws)
{
    const TimeAxisCase cases[] = {TimeAxisCase{"NoColumnAndTheMostRows", {}, MaxRows, 0, 0},
                                  TimeAxisCase{"OnlyAColumnNoSignalOfTheProgram", {21}, 1000, 0, 0},
                                  TimeAxisCase{"OneSignal", {10}, 1000, 1, 1000}};
    for (const TimeAxisCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto columns = makeColumns(c.columnIds.size(), c.rows, [](auto, auto r) { return std::uint8_t(r); });
        writeLog(path("t.ZQL"), MakeDownloadHead(makeDownload(c.columnIds, c.rows), c.rows), columns);
        ASSERT_EQ(fileBytes(path("t.ZQL")).size(), 159 + c.columnIds.size() * c.rows + 6);
        const LoadedLog loaded = LoadLogFile(path("t.ZQL"), false);
        EXPECT_EQ(loaded.rows, c.rows); // kept for the next save
        EXPECT_EQ(loaded.channels.size(), c.channels);
        EXPECT_EQ(loaded.x.size(), c.times);
        loadAndSave(path("t.ZQL"), path("t-saved.ZQL"));
        EXPECT_TRUE(fileBytes(path("t.ZQL")) == fileBytes(path("t-saved.ZQL")));
    }
}

struct EncodeCase {
    int id;
    bool wideBand;
    double value;
    std::vector<std::uint8_t> high;
    std::vector<std::uint8_t> low;
};

TEST(LogFileEncode, ValuesBecomeTheirBytes)
{
    const EncodeCase cases[] = {EncodeCase{1, false, 5270, {0x02}, {0x0F}}, EncodeCase{7, false, -1.0, {0}, {0}},
                    EncodeCase{7, false, 5.0, {0x02}, {0x58}}, EncodeCase{11, false, 10, {}, {79}},
                    EncodeCase{16, false, -30, {}, {0}}, EncodeCase{9, true, 0.88, {0x80}, {88}},
                    // Decoded values that truncation would bring back one lower.
                    EncodeCase{3, false, 0.009, {0}, {9}}, EncodeCase{7, false, 0.29, {0}, {129}},
                    EncodeCase{18, false, 2.3, {}, {23}}, EncodeCase{9, true, 0.29, {0x80}, {29}},
                    EncodeCase{21, false, 4, {}, {}}};
    for (const EncodeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " " << c.value);
        const double values[] = {c.value};
        const EncodedSignal e = EncodeSignal(c.id, c.wideBand, values);
        EXPECT_EQ(e.high, c.high);
        EXPECT_EQ(e.low, c.low);
    }
}

struct OffsetCase {
    double firstX;
    std::uint32_t stored;
    std::vector<std::uint8_t> bytes;
    double readsBackAs;
};

TEST_F(LogFileFormatTest, ZeroOffsetIsStoredAsMagnitudeAndReadsBackBeforeZero)
{
    const OffsetCase cases[] = {OffsetCase{-2.5, 2500, {0, 0, 0x09, 0xC4}, -2.5},
                                         OffsetCase{2.0, 2000, {0, 0, 0x07, 0xD0}, -2.0},
                                         OffsetCase{-70.0, 70000, {0x00, 0x01, 0x11, 0x70}, -70.0},
                                         // 0.29 s is 289.99999999999994 ms in binary.
                                         OffsetCase{-0.29, 290, {0, 0, 0x01, 0x22}, -0.29},
                                         OffsetCase{-1e10, 0x7FFFFFFF, {0x7F, 0xFF, 0xFF, 0xFF}, -2147483.647}};
    for (const OffsetCase& c : cases) {
        SCOPED_TRACE(c.firstX);
        LogHead head;
        std::copy(Magic.begin(), Magic.end(), head.bytes.begin());
        head.SetZeroOffsetMs(ZeroOffsetFor(c.firstX));
        EXPECT_EQ(std::uint32_t(head.ZeroOffsetMs()), c.stored);
        EXPECT_THAT(head.block(HeaderBlock).subspan(7, 4), ElementsAreArray(c.bytes));
        head.bytes[32 + 2] = 10; // rate
        writeLog(path("o.ZQL"), head, {});
        EXPECT_DOUBLE_EQ(LoadLogFile(path("o.ZQL"), false).start, c.readsBackAs);
    }
}

// A file whose head is sound, for the corruption cases below.
std::vector<std::uint8_t> soundFile(std::uint32_t rows = 20)
{
    const TDownloadState d = makeDownload({0, 1, 8, 9, 10, 16}, rows);
    const LogHead head = MakeDownloadHead(d, rows);
    std::vector<std::uint8_t> file(head.bytes.begin(), head.bytes.end());
    for (std::uint32_t i = 0; i < 6 * rows; ++i)
        file.push_back(std::uint8_t(i * 7));
    file.insert(file.end(), Trailer.begin(), Trailer.end());
    return file;
}

struct CorruptCase {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    const char* reason; // empty when the file stays readable
};

TEST(LogFileCorruption, IsRefusedWithItsReasonOrReadWithinTheData)
{
    const CorruptCase cases[] = {
        CorruptCase{"head cut", [](auto& f) { f.resize(100); }, "termina antes do fim do cabeçalho"},
        CorruptCase{"data cut", [](auto& f) { f.resize(159 + 119); }, "termina antes das suas 20 linhas de 6 colunas"},
        CorruptCase{"rows raised", [](auto& f) { f[32 + 6] = 22; }, "termina antes das suas 22 linhas"},
        CorruptCase{"rate zero", [](auto& f) { f[32 + 2] = 0; }, "taxa de amostragem é zero"},
        CorruptCase{"33 columns", [](auto& f) { f[32 + 3] = 33; }, "tem 33 colunas"},
        CorruptCase{"33 signals", [](auto& f) { f[126] = 33; }, "tem 33 sinais"},
        CorruptCase{"list past the columns", [](auto& f) { f[126] = 5, f[130] = 1, f[131] = 3; }, "faltam colunas"},
        CorruptCase{"seventeen channels",
                    [](auto& f) {
                        f[32 + 3] = 17, f[126] = 17;
                        std::fill(f.begin() + 127, f.begin() + 144, 10);
                        f.resize(159 + 17 * 20);
                    },
                    "tem 17 sinais para exibir"},
        CorruptCase{"trailer missing", [](auto& f) { f.erase(f.end() - 6, f.end()); }, ""},
        // The magic only words a refusal: with a sound head and rows it reads.
        CorruptCase{"magic damaged", [](auto& f) { f[0] = 'X'; }, ""}};
    for (const CorruptCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> file = soundFile();
        c.damage(file);
        const ParseResult result = ParseLogFile(file);
        EXPECT_EQ(bool(result.log), *c.reason == 0) << result.error;
        if (*c.reason != 0) {
            EXPECT_THAT(result.error, HasSubstr(c.reason));
        }
    }
}

// A file that cannot be opened is told as what it is: another kind of file is
// not a log of the program (downloading it again would not help), while a log
// cut short or inconsistent is damaged, with the reason.
struct RefusedFileCase {
    const char* name;
    std::function<std::vector<std::uint8_t>()> bytes;
    const char* damage; // nullptr: not a log at all
};

TEST_F(LogFileFormatTest, FileThatIsNotALogIsToldApartFromADamagedLog)
{
    const auto cut = [](std::size_t size) {
        return [size] {
            std::vector<std::uint8_t> f = soundFile();
            f.resize(size);
            return f;
        };
    };
    const auto edited = [](std::function<void(std::vector<std::uint8_t>&)> edit) {
        return [edit] {
            std::vector<std::uint8_t> f = soundFile();
            edit(f);
            return f;
        };
    };
    const RefusedFileCase cases[] = {
        {"TextFileRenamed",
         [] {
             std::string text = "Tempo;Rotação;Lambda\r\n";
             for (int row = 0; row < 40; ++row)
                 text += std::to_string(row) + ";" + std::to_string(850 + row) + ";0,98\r\n";
             return std::vector<std::uint8_t>(text.begin(), text.end());
         },
         nullptr},
        {"RandomBytes",
         [] {
             std::mt19937 random(11);
             std::vector<std::uint8_t> f(4096);
             for (std::uint8_t& b : f)
                 b = std::uint8_t(random());
             return f;
         },
         nullptr},
        {"Empty", [] { return std::vector<std::uint8_t>{}; }, nullptr},
        {"ShorterThanTheMark", cut(20), nullptr},
        // A changed mark alone no longer refuses a log; it words the refusal.
        {"MarkChangedAndCutInItsData", edited([](auto& f) { f[20] = '2', f.resize(159 + 50); }), nullptr},
        {"LogCutInItsHead", cut(100), "termina antes do fim do cabeçalho"},
        {"LogCutInItsData", cut(159 + 50), "termina antes das suas 20 linhas de 6 colunas"},
        {"RateZero", edited([](auto& f) { f[32 + 2] = 0; }), "a taxa de amostragem é zero"},
        {"ListPastTheColumns", edited([](auto& f) { f[32 + 3] = 2; }), "faltam colunas"}};
    // Each again under a mark of 32 other characters: the structure alone
    // refuses it, and without the magic it is told as no log.
    constexpr std::string_view otherMark = "@@@ZORVANLOGGER200@@@@@@@@@@@@@@";
    for (const bool marked : {false, true}) {
        for (const RefusedFileCase& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (marked ? " under another mark" : ""));
            std::vector<std::uint8_t> bytes = c.bytes();
            if (marked && bytes.size() >= otherMark.size())
                std::copy(otherMark.begin(), otherMark.end(), bytes.begin());
            std::ofstream(path("refused.ZQL"), std::ios::binary | std::ios::trunc)
                .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            try {
                LoadLogFile(path("refused.ZQL"), false);
                ADD_FAILURE() << "opened";
            } catch (const platform::PlatformError& error) {
                const std::string told = error.what();
                EXPECT_THAT(told, HasSubstr("\"" + path("refused.ZQL") + "\""));
                if (c.damage != nullptr && !marked) {
                    EXPECT_THAT(told, HasSubstr("danificado"));
                    EXPECT_THAT(told, HasSubstr(c.damage));
                    EXPECT_THAT(told, HasSubstr("Baixe o LOG novamente"));
                } else {
                    EXPECT_THAT(told, HasSubstr("não é um arquivo de LOG"));
                    EXPECT_THAT(told, testing::Not(HasSubstr("danificado")));
                    EXPECT_THAT(told, testing::Not(HasSubstr("Baixe")));
                }
            }
        }
    }
}

// Thousands of damaged files: each is refused or read within its own bytes
// (the sanitizer build checks the latter), and decoding what was read works.
TEST(LogFileFuzzTest, DamagedAndTruncatedFilesNeverReadOutsideThemselves)
{
    std::mt19937 random(6);
    const std::vector<std::uint8_t> sound = soundFile(40);
    int readable = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<std::uint8_t> file = sound;
        const int edits = 1 + int(random() % 3);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random() % file.size();
            // Mostly the head, where the numbers that steer reading are.
            const std::size_t where = random() % 3 == 0 ? at : at % 160;
            if (where < file.size())
                file[where] = std::uint8_t(random());
        }
        if (random() % 3 == 0)
            file.resize(random() % (file.size() + 1));
        // A copy of exactly the file's size, so any read past it is caught.
        const auto exact = std::make_unique<std::uint8_t[]>(file.size());
        std::copy(file.begin(), file.end(), exact.get());
        const ParseResult result = ParseLogFile(std::span<const std::uint8_t>(exact.get(), file.size()));
        if (!result.log) {
            EXPECT_FALSE(result.error.empty());
            continue;
        }
        ++readable;
        for (const StoredSignal& s : result.log->entries) {
            ASSERT_EQ(s.low.size(), result.log->rows);
            ASSERT_TRUE(s.low.empty() || (s.low.data() >= exact.get() && s.low.data() + s.low.size() <= exact.get() + file.size()));
            (void)signal_decoding::DecodeSignal(s.id, s.high, s.low, true);
        }
    }
    EXPECT_GT(readable, 200);
}

// Saving over a log writes a new file and renames it into place: when the
// disk gives out in the middle, the old log is untouched and no stray file
// is left in the folder.
TEST_F(LogFileFormatTest, FailedWriteLeavesTheOldFileWhole)
{
    const TDownloadState d = makeDownload({10}, 1000);
    writeLog(path("keep.ZQL"), MakeDownloadHead(d, 1000), makeColumns(1, 1000, [](auto, auto r) { return std::uint8_t(r); }));
    const std::vector<std::uint8_t> before = fileBytes(path("keep.ZQL"));

    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 600;
    setrlimit(RLIMIT_FSIZE, &small);
    const auto bigger = makeColumns(1, 5000, [](auto, auto) { return std::uint8_t(9); });
    EXPECT_THROW(writeLog(path("keep.ZQL"), MakeDownloadHead(makeDownload({10}, 5000), 5000), bigger),
                 platform::PlatformError);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(fileBytes(path("keep.ZQL")) == before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path().toStdString()),
                            std::filesystem::directory_iterator{}),
              1);
}

TEST_F(LogFileFormatTest, ReadOnlyLogIsNotReplaced)
{
    const TDownloadState d = makeDownload({10}, 10);
    writeLog(path("ro.ZQL"), MakeDownloadHead(d, 10), makeColumns(1, 10, [](auto, auto) { return std::uint8_t(1); }));
    std::filesystem::permissions(path("ro.ZQL"), std::filesystem::perms::owner_read);
    try {
        writeLog(path("ro.ZQL"), MakeDownloadHead(d, 10), {});
        ADD_FAILURE() << "a read-only log was replaced";
    } catch (const platform::PlatformError& error) {
        EXPECT_THAT(error.what(), HasSubstr("ro.ZQL"));
        EXPECT_THAT(error.what(), HasSubstr("somente leitura"));
    }
    EXPECT_EQ(fileBytes(path("ro.ZQL")).size(), 159u + 10 + 6);
}

} // namespace
