#include "platform/Messages.h"

#include <gmock/gmock.h>

#include <QRegularExpression>

#include <cerrno>

namespace {

using platform::Message;
using platform::MessageTable;
using platform::Severity;

// Words that give away a text left in English; none of them is Portuguese.
const QRegularExpression englishWord(
    QStringLiteral("\\b(the|cannot|can't|file|folder|failed|read|write|invalid|open|its|it|is|of|than|shorter|"
                   "rows|columns|signals|key|error|does|exist|not|only|most|permission|denied|such|directory)\\b"),
    QRegularExpression::CaseInsensitiveOption);

int placeholders(const QString& text)
{
    int highest = 0;
    for (const QRegularExpressionMatch& m : QRegularExpression(QStringLiteral("%(\\d)")).globalMatch(text))
        highest = std::max(highest, m.captured(1).toInt());
    return highest;
}

TEST(MessagesTest, EveryTextIsPortugueseAndTakesItsArgumentsInOrder)
{
    for (int i = 0; i < static_cast<int>(Message::Count); ++i) {
        const auto id = static_cast<Message>(i);
        SCOPED_TRACE(MessageTable[i].text);
        // Looked up by position: an entry out of place would show another text.
        EXPECT_EQ(MessageTable[i].id, id);
        const QString format = QString::fromUtf8(MessageTable[i].text);
        EXPECT_FALSE(format.contains(englishWord)) << format.toStdString();
        // Failures and refusals are never shown as mere information.
        EXPECT_NE(platform::messageSeverity(id), Severity::Information);

        const int count = placeholders(format);
        for (int n = 1; n <= count; ++n)
            EXPECT_TRUE(format.contains(QStringLiteral("%%1").arg(n))) << "placeholder %" << n << " missing";
        const QString filled = platform::messageText(id, {"<a>", "<b>", "<c>"});
        EXPECT_EQ(placeholders(filled), 0) << filled.toStdString();
    }
}

TEST(MessagesTest, ArgumentsAreTakenAsTheyStand)
{
    // A folder named "%2" must not take in the next argument.
    EXPECT_EQ(platform::messageText(Message::FolderCreate, {QStringLiteral("/logs/%2"), QStringLiteral("já existe")}),
              QStringLiteral("Erro ao criar a pasta \"/logs/%2\": já existe."));
}

struct Cause {
    const char* name;
    int number;
    const char* expected;
};

TEST(MessagesTest, SystemErrorsAreToldAsCausesTheUserCanActOn)
{
    const Cause cases[] = {
        {"NoPermission", EACCES, "sem permissão de acesso"},
        {"Missing", ENOENT, "o arquivo ou a pasta não existe"},
        {"DiskFull", ENOSPC, "o disco está cheio"},
        {"ReadOnlyDisk", EROFS, "o disco só permite leitura"},
        {"Unknown", 4242, "falha do sistema número 4242"},
    };
    for (const Cause& c : cases)
        EXPECT_EQ(platform::causeText(c.number), QString::fromUtf8(c.expected)) << c.name;
}

} // namespace
