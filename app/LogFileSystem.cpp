#include "app/LogFileSystem.h"

#include "platform/Messages.h"
#include "platform/PlatformError.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace log_fs {

namespace {

class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now, reporting the result (a late write error shows up here).
    bool close()
    {
        const int fd = std::exchange(fd_, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

std::string lastComponent(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const auto slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string parentOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Whether the user may write the entry. The superuser may write anything, so
// for it an entry without any write permission counts as read-only, which is
// what the permission bits tell every other user.
bool userMayWrite(const std::string& path, const struct stat& st)
{
    if (::access(path.c_str(), W_OK) != 0)
        return false;
    if (::geteuid() == 0)
        return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    return true;
}

int attributesOf(const std::string& path, const std::string& name, const struct stat& st)
{
    int attributes = S_ISDIR(st.st_mode) ? Directory : Archive;
    if (!userMayWrite(path, st))
        attributes |= ReadOnly;
    if (!name.empty() && name.front() == '.')
        attributes |= Hidden;
    return attributes;
}

std::string readError(const std::string& path, const QString& reason)
{
    return platform::messageUtf8(platform::Message::LogRead, {QString::fromStdString(path), reason});
}

std::string writeError(const std::string& path, const QString& reason)
{
    return platform::messageUtf8(platform::Message::LogWrite, {QString::fromStdString(path), reason});
}

QString notRegular()
{
    return platform::messageText(platform::Message::CauseNotRegular);
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (!kept_)
            ::unlink(path_.c_str());
    }
    const std::string& path() const { return path_; }
    void keep() { kept_ = true; }

private:
    std::string path_;
    bool kept_ = false;
};

} // namespace

std::optional<int> AttributesOf(const std::string& path)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode))
        return std::nullopt;
    return attributesOf(path, lastComponent(path), st);
}

bool IsDirectory(const std::string& path)
{
    return AttributesOf(path) == Directory;
}

bool IsFile(const std::string& path)
{
    return AttributesOf(path) == Archive;
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

std::vector<Entry> ListFolder(const std::string& folder)
{
    std::vector<Entry> entries;
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return entries;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)))
            continue;
        entries.push_back({name, attributesOf(path, name, st)});
    }
    return entries;
}

std::vector<std::string> FindAll(const std::string& mask, int attribute)
{
    const auto slash = mask.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : mask.substr(0, slash));
    const std::string pattern = slash == std::string::npos ? mask : mask.substr(slash + 1);
    std::vector<std::string> names;
    for (const Entry& entry : ListFolder(folder)) {
        if (entry.name.front() == '.' || entry.attributes != attribute)
            continue;
        if (::fnmatch(pattern.c_str(), entry.name.c_str(), FNM_CASEFOLD) == 0)
            names.push_back(entry.name);
    }
    return names;
}

bool MoveNoReplace(const std::string& from, const std::string& to)
{
    if (from.empty() || to.empty())
        return false;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the no-replace flag: look first.
    return !Exists(to) && std::rename(from.c_str(), to.c_str()) == 0;
}

bool MakeFolder(const std::string& path)
{
    return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

bool RemoveEmptyFolder(const std::string& path)
{
    return !path.empty() && ::rmdir(path.c_str()) == 0;
}

bool RemoveFile(const std::string& path)
{
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw platform::PlatformError(readError(path, platform::causeText(errno)));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw platform::PlatformError(readError(path, platform::causeText(errno)));
    if (!S_ISREG(st.st_mode))
        throw platform::PlatformError(readError(path, notRegular()));

    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw platform::PlatformError(readError(path, platform::causeText(errno)));
        if (n == 0)
            break; // shrank while being read: what was there is the file
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

void WriteFileReplacing(const std::string& path, std::span<const std::span<const std::uint8_t>> pieces,
                        bool durable)
{
    const auto fail = [&path](const QString& reason) { throw platform::PlatformError(writeError(path, reason)); };
    const auto failErrno = [&fail](int number) { fail(platform::causeText(number)); };

    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode))
        fail(notRegular());
    if (replacing && !userMayWrite(path, old))
        fail(platform::messageText(platform::Message::CauseReadOnly));

    // A hidden name beside the target: same file system for the rename, and
    // never listed in the tree.
    const std::string stem = parentOf(path) + "/." + lastComponent(path) + ".tmp";
    std::unique_ptr<TemporaryFile> temporary;
    int rawFd = -1;
    for (int attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
        std::string candidate = stem + std::to_string(::getpid()) + "_" + std::to_string(attempt);
        rawFd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (rawFd >= 0)
            temporary = std::make_unique<TemporaryFile>(std::move(candidate));
        else if (errno != EEXIST)
            failErrno(errno);
    }
    if (rawFd < 0)
        failErrno(EEXIST);
    UniqueFd fd(rawFd);

    if (replacing && ::fchmod(fd.get(), old.st_mode & 07777) != 0)
        failErrno(errno);
    for (std::span<const std::uint8_t> piece : pieces) {
        if (!writeAll(fd.get(), piece))
            failErrno(errno);
    }
    if (durable && ::fsync(fd.get()) != 0)
        failErrno(errno);
    if (!fd.close())
        failErrno(errno);
    if (std::rename(temporary->path().c_str(), path.c_str()) != 0)
        failErrno(errno);
    temporary->keep();
}

} // namespace log_fs
