#include "conversion/publish.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kvx {

namespace {

std::error_code lastError(int code)
{
    return {code, std::system_category()};
}

// Used when the file system cannot rename without replacing: mkdir claims the name (it fails if
// anything is there), and a folder renamed onto an empty folder replaces only that folder.
std::error_code renameOntoFreshFolder(const char *source, const char *destination)
{
    if (::mkdir(destination, 0700) != 0)
        return lastError(errno);
    if (::rename(source, destination) != 0) {
        const int code = errno;
        ::rmdir(destination);
        return lastError(code);
    }
    return {};
}

// A file claims a name by a hard link, which fails if anything is there.
std::error_code linkThenUnlink(const char *source, const char *destination)
{
    if (::link(source, destination) != 0)
        return lastError(errno);
    ::unlink(source);
    return {};
}

// The working folder was made private (0700); the published folder gets what mkdir would give.
mode_t processUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
    }
    return 022;
}

} // namespace

std::error_code publishFolder(const std::filesystem::path &source, const std::filesystem::path &destination)
{
    const char *from = source.c_str();
    const char *to = destination.c_str();
    struct stat status {};
    const bool folder = ::lstat(from, &status) == 0 && S_ISDIR(status.st_mode);
    std::error_code result;
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) != 0) {
        const int code = errno;
        if (code == EINVAL || code == ENOSYS)
            result = folder ? renameOntoFreshFolder(from, to) : linkThenUnlink(from, to);
        else
            result = lastError(code);
    }
    if (!result && folder)
        ::chmod(to, 0777 & ~processUmask());
    return result;
}

bool isNameTaken(const std::error_code &error)
{
    // A folder renamed onto a non-empty folder reports ENOTEMPTY on some file systems.
    return error.category() == std::system_category() && (error.value() == EEXIST || error.value() == ENOTEMPTY);
}

} // namespace kvx
