#include "common/newfile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace kvx {

std::error_code writeNewFile(const std::filesystem::path &path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return {errno, std::system_category()};
    int code = 0;
    for (std::size_t written = 0; written < bytes.size() && code == 0;) {
        const ssize_t count = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (count > 0)
            written += std::size_t(count);
        else if (count < 0 && errno != EINTR)
            code = errno;
    }
    // Some file systems report a full disk only when the file is closed.
    if (::close(fd) != 0 && code == 0 && errno != EINTR)
        code = errno;
    if (code == 0)
        return {};
    ::unlink(path.c_str());
    return {code, std::system_category()};
}

} // namespace kvx
