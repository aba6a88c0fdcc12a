#include "platform/SettingsStore.h"

#include "platform/Messages.h"
#include "platform/PlatformError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

std::string escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

std::string unescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[i + 1];
        if (next == '\\') out += '\\';
        else if (next == 'n') out += '\n';
        else if (next == 'r') out += '\r';
        else {
            // Written by hand: keep an unknown sequence as it stands.
            out += '\\';
            out += next;
        }
        ++i;
    }
    return out;
}

QString pathText(const fs::path& file)
{
    return QString::fromStdString(file.string());
}

SettingsFileError readError(const fs::path& file, const QString& reason)
{
    return {messageUtf8(Message::SettingsRead, {pathText(file), reason}), reason.toStdString(), SettingsAccess::Read};
}

SettingsFileError writeError(const fs::path& file, const QString& reason)
{
    return {messageUtf8(Message::SettingsWrite, {pathText(file), reason}), reason.toStdString(),
            SettingsAccess::Write};
}

} // namespace

SettingsStore::SettingsStore(fs::path file) : file_(std::move(file)) {}

fs::path SettingsStore::defaultPath()
{
    if (const char* explicitFile = std::getenv("ZQ_SETTINGS_FILE"); explicitFile && *explicitFile)
        return explicitFile;
    fs::path configHome;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        configHome = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        configHome = fs::path(home) / ".config";
    else
        configHome = fs::current_path() / ".config";
    return configHome / "Zorvan" / "Quillstone.conf";
}

std::string SettingsStore::normaliseKey(std::string_view key)
{
    while (!key.empty() && (key.front() == '\\' || key.front() == '/'))
        key.remove_prefix(1);
    while (!key.empty() && (key.back() == '\\' || key.back() == '/'))
        key.remove_suffix(1);
    if (key.empty() || key.find_first_of("[]\r\n") != std::string_view::npos)
        throw PlatformError(messageUtf8(Message::SettingsKeyInvalid, {QString::fromStdString(std::string(key))}));
    return std::string(key);
}

void SettingsStore::load()
{
    keys_.clear();
    fileAbsence_.reset();
    std::error_code ec;
    const fs::file_status status = fs::status(file_, ec);
    if (status.type() == fs::file_type::not_found) {
        fileAbsence_ = ec ? ec.value() : ENOENT;
        return;
    }
    if (ec)
        throw readError(file_, causeText(ec.value()));
    if (status.type() != fs::file_type::regular)
        throw readError(file_, messageText(Message::CauseNotRegular));

    std::ifstream in(file_, std::ios::binary);
    if (!in)
        throw readError(file_, causeText(errno));

    Values* section = nullptr;
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.front() == '#' || line.front() == ';')
            continue;
        if (line.front() == '[' && line.back() == ']' && line.size() > 2) {
            section = &keys_[normaliseKey(std::string_view(line).substr(1, line.size() - 2))];
            continue;
        }
        const auto equals = line.find('=');
        if (section == nullptr || equals == std::string::npos || equals == 0)
            throw readError(file_, messageText(Message::CauseDamagedLine, {QString::number(lineNumber)}));
        (*section)[line.substr(0, equals)] = unescape(std::string_view(line).substr(equals + 1));
    }
    if (in.bad())
        throw readError(file_, causeText(errno));
}

void SettingsStore::save() const
{
    std::error_code ec;
    if (file_.has_parent_path()) {
        fs::create_directories(file_.parent_path(), ec);
        if (ec)
            throw writeError(file_, causeText(ec.value()));
    }

    std::ostringstream text;
    for (const auto& [key, values] : keys_) {
        text << '[' << key << "]\n";
        for (const auto& [name, value] : values)
            text << name << '=' << escape(value) << '\n';
        text << '\n';
    }

    // Write beside the file and rename, so a failed write never leaves half a file.
    fs::path temporary = file_;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            throw writeError(file_, causeText(errno));
        out << text.str();
        out.close();
        if (!out) {
            fs::remove(temporary, ec);
            throw writeError(file_, causeText(EIO));
        }
    }
    fs::rename(temporary, file_, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw writeError(file_, causeText(ec.value()));
    }
}

bool SettingsStore::keyExists(std::string_view key)
{
    const std::string name = normaliseKey(key);
    load();
    return keys_.find(name) != keys_.end();
}

SettingsFileError SettingsStore::absentKeyError() const
{
    if (fileAbsence_)
        return writeError(file_, causeText(*fileAbsence_));
    return writeError(file_, messageText(Message::CauseNoSettings));
}

bool SettingsStore::openKey(std::string_view key, bool canCreate)
{
    current_.reset();
    const std::string name = normaliseKey(key);
    load();
    if (keys_.find(name) == keys_.end()) {
        if (!canCreate)
            return false;
        keys_[name];
        save();
    }
    current_ = name;
    return true;
}

void SettingsStore::closeKey()
{
    current_.reset();
}

std::string SettingsStore::readString(std::string_view name) const
{
    if (!current_)
        return {};
    const auto key = keys_.find(*current_);
    if (key == keys_.end())
        return {};
    const auto value = key->second.find(name);
    return value == key->second.end() ? std::string() : value->second;
}

void SettingsStore::writeString(std::string_view name, std::string_view value)
{
    if (!current_)
        throw PlatformError(messageUtf8(Message::SettingsNoKeyOpen, {QString::fromStdString(std::string(name))}));
    if (name.empty() || name.find_first_of("=\r\n") != std::string_view::npos || name.front() == '['
        || name.front() == '#' || name.front() == ';')
        throw PlatformError(messageUtf8(Message::SettingsNameInvalid, {QString::fromStdString(std::string(name))}));
    // Another process may have changed the file since the key was opened.
    load();
    keys_[*current_][std::string(name)] = std::string(value);
    save();
}

} // namespace platform
