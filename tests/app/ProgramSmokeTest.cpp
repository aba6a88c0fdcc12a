#include <gmock/gmock.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <fstream>

namespace {

// Starts the built program on the offscreen platform, lets it show its main
// window and close itself through the ordinary close sequence.
TEST(ProgramSmokeTest, StartsShowsTheMainWindowAndClosesCleanly)
{
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("ZQ_SETTINGS_FILE"), home.filePath(QStringLiteral("settings.conf")));
    env.insert(QStringLiteral("ZQ_QUIT_AFTER_MS"), QStringLiteral("200"));

    for (int run = 0; run < 2; ++run) {
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(ZQ_PROGRAM_PATH), {});
        ASSERT_TRUE(program.waitForStarted(10000));
        ASSERT_TRUE(program.waitForFinished(60000)) << "the program did not close";
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
        // The hint panel is at least 250 pixels wide, wider where a hint needs it.
        EXPECT_THAT(out.toStdString(),
                    testing::ContainsRegex("caption=\"ZORVAN Quillstone\" pages=\"Quillstone\\|Configurar\\|Arquivos\" "
                                           "panels=\"(2[5-9][0-9]|[3-9][0-9][0-9]),100,160,50,50\" "
                                           "connection=\"DESCONECTADO\""));
        if (run == 0) {
            // A setting changed between runs is what the next run reads.
            std::ofstream(home.filePath(QStringLiteral("settings.conf")).toStdString())
                << "[SOFTWARE\\Zorvan]\nLogDir=/elsewhere\nAutoEscala=X\n";
        }
    }
    std::ifstream settings(home.filePath(QStringLiteral("settings.conf")).toStdString());
    const std::string text((std::istreambuf_iterator<char>(settings)), std::istreambuf_iterator<char>());
    EXPECT_THAT(text, testing::HasSubstr("LogDir=/elsewhere\n"));
    EXPECT_THAT(text, testing::HasSubstr("AutoEscala=S\n"));
}

} // namespace
