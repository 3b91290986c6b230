#include "media/sidefile.h"

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvx {

namespace {

std::error_code lastError()
{
    return {errno, std::system_category()};
}

// Where rename cannot refuse to replace: a hard link claims the name only if it is free.
std::error_code linkThenUnlink(const char *from, const char *to)
{
    if (::link(from, to) != 0)
        return lastError();
    ::unlink(from);
    return {};
}

} // namespace

std::error_code createFileExclusively(const std::filesystem::path &path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return lastError();
    ::close(fd);
    return {};
}

std::error_code moveFileWithoutReplacing(const std::filesystem::path &from, const std::filesystem::path &to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)
        return linkThenUnlink(from.c_str(), to.c_str());
    return lastError();
}

bool isFileNameTaken(std::error_code error)
{
    return error.category() == std::system_category() && error.value() == EEXIST;
}

std::FILE *openScratchFile(const std::filesystem::path &path, std::error_code &error)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = lastError();
        return nullptr;
    }
    // Unlinked at once: the open descriptor keeps the data, and nothing remains after a crash.
    ::unlink(path.c_str());
    std::FILE *file = ::fdopen(fd, "w+b");
    if (!file) {
        error = lastError();
        ::close(fd);
    }
    return file;
}

} // namespace kvx
