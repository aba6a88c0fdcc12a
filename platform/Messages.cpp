#include "platform/Messages.h"

#include <array>
#include <cerrno>
#include <utility>

namespace platform {

using enum Message;

const MessageText MessageTable[static_cast<int>(Message::Count)] = {
    {SettingsRead, Severity::Error, "Erro ao ler o arquivo de configurações \"%1\": %2."},
    {SettingsWrite, Severity::Error, "Erro ao gravar o arquivo de configurações \"%1\": %2."},
    {SettingsDefaultsUsed, Severity::Error,
     "%1\n\nNesta execução o programa usa a configuração padrão, com os arquivos LOGs na pasta \"%2\"."},
    {SettingsKeyInvalid, Severity::Error, "Chave de configuração inválida: \"%1\"."},
    {SettingsNameInvalid, Severity::Error, "Nome de configuração inválido: \"%1\"."},
    {SettingsNoKeyOpen, Severity::Error, "Erro ao gravar a configuração \"%1\": nenhuma chave está aberta."},
    {SettingsNotSaved, Severity::Error,
     "Erro ao gravar o arquivo de configurações \"%1\": %2. A alteração vale nesta execução, mas não será mantida "
     "depois que o programa for encerrado."},
    {LogRead, Severity::Error, "Erro ao ler o arquivo de LOG \"%1\": %2."},
    {LogDamaged, Severity::Error,
     "O arquivo de LOG \"%1\" está danificado e não pode ser aberto: %2. Baixe o LOG novamente do Datalogger."},
    {LogNotALog, Severity::Error, "O arquivo \"%1\" não é um arquivo de LOG do Quillstone e não pode ser aberto: %2."},
    {LogWrite, Severity::Error, "Erro ao gravar o arquivo de LOG \"%1\": %2."},
    {LogFolderMissing, Severity::Error,
     "Erro ao gravar o LOG: a pasta dos arquivos LOGs \"%1\" não existe. Escolha outra pasta em Trocar Pasta "
     "Arquivos."},
    {LogFolderNotChosen, Severity::Error,
     "Erro ao gravar o LOG: nenhuma pasta foi escolhida para os arquivos LOGs. Escolha uma pasta em Trocar Pasta "
     "Arquivos."},
    {FolderCreate, Severity::Error, "Erro ao criar a pasta \"%1\": %2."},
    {LogNoCompleteRow, Severity::Warning, "Nenhuma linha completa do LOG foi recebida: nada foi gravado."},
    {LogNotStored, Severity::Error, "O LOG recebido não pode ser gravado: %1. Nada foi gravado."},
    {LogIncomplete, Severity::Warning, "O LOG está incompleto: foram recebidas %1 de %2 linhas."},
    {NotAnInteger, Severity::Error, "'%1' não é um número inteiro válido."},
    {DeviceNameEmpty, Severity::Warning,
     "O nome do Quillstone ficou vazio: use letras, números, espaço ou # ( ) - @ [ ] _. Nada foi enviado."},
    {ReasonNoLogMark, Severity::Error, "falta a identificação dos LOGs no início do arquivo"},
    {ReasonShorterThanHead, Severity::Error, "o arquivo termina antes do fim do cabeçalho"},
    {ReasonRateZero, Severity::Error, "a taxa de amostragem é zero"},
    {ReasonTooManyColumns, Severity::Error, "tem %1 colunas (no máximo 32)"},
    {ReasonTooManySignals, Severity::Error, "tem %1 sinais (no máximo 32)"},
    {ReasonColumnsMissing, Severity::Error, "faltam colunas para os sinais da lista (há só %1)"},
    {ReasonTooManyChannels, Severity::Error, "tem %1 sinais para exibir (no máximo 16)"},
    {ReasonShorterThanRows, Severity::Error, "o arquivo termina antes das suas %1 linhas de %2 colunas"},
    {CauseNotRegular, Severity::Error, "não é um arquivo comum"},
    {CauseReadOnly, Severity::Error, "o arquivo é somente leitura"},
    {CauseDamagedLine, Severity::Error, "a linha %1 está danificada"},
    {CauseNoSettings, Severity::Error, "o arquivo não guarda as configurações do programa"},
};

QString messageText(Message id, std::initializer_list<QString> args)
{
    // One pass, so that an argument holding "%2" (a folder name may) stays
    // as it is.
    const QString format = QString::fromUtf8(MessageTable[static_cast<int>(id)].text);
    QString text;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const qsizetype digit = i + 1;
        if (format[i] == QLatin1Char('%') && digit < format.size() && format[digit].isDigit()) {
            const auto n = static_cast<std::size_t>(format[digit].digitValue());
            if (n >= 1 && n <= args.size()) {
                text += *(args.begin() + (n - 1));
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

std::string messageUtf8(Message id, std::initializer_list<QString> args)
{
    return messageText(id, args).toStdString();
}

Severity messageSeverity(Message id)
{
    return MessageTable[static_cast<int>(id)].severity;
}

void showMessage(Dialogs& dialogs, Message id, std::initializer_list<QString> args)
{
    dialogs.showMessage(messageText(id, args), messageSeverity(id));
}

namespace {

constexpr std::array<std::pair<int, const char*>, 17> causes{{
    {EACCES, "sem permissão de acesso"},
    {EPERM, "operação não permitida"},
    {ENOENT, "o arquivo ou a pasta não existe"},
    {ENOTDIR, "uma parte do caminho não é uma pasta"},
    {EISDIR, "é uma pasta"},
    {EEXIST, "já existe"},
    {ENOSPC, "o disco está cheio"},
    {EDQUOT, "a cota de disco do usuário acabou"},
    {EROFS, "o disco só permite leitura"},
    {ENAMETOOLONG, "o nome é longo demais"},
    {EIO, "erro de leitura ou gravação no disco"},
    {EMFILE, "arquivos abertos demais"},
    {ENFILE, "arquivos abertos demais no sistema"},
    {EBUSY, "está em uso"},
    {ENODEV, "o dispositivo não está conectado"},
    {ETIMEDOUT, "o dispositivo não respondeu a tempo"},
    {EMSGSIZE, "o relatório é maior do que o dispositivo aceita"},
}};

} // namespace

QString causeText(int errorNumber)
{
    for (const auto& [number, text] : causes) {
        if (number == errorNumber)
            return QString::fromUtf8(text);
    }
    return QStringLiteral("falha do sistema número %1").arg(errorNumber);
}

} // namespace platform
