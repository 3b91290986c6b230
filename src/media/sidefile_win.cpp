#include "media/sidefile.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace kvx {

namespace {

std::error_code lastError()
{
    return {static_cast<int>(GetLastError()), std::system_category()};
}

} // namespace

std::error_code createFileExclusively(const std::filesystem::path &path)
{
    // Not hidden: the C runtime's open with truncation, which FFmpeg's file protocol uses, refuses
    // to open hidden files.
    const HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    CloseHandle(handle);
    return {};
}

std::error_code moveFileWithoutReplacing(const std::filesystem::path &from, const std::filesystem::path &to)
{
    // No MOVEFILE_REPLACE_EXISTING: an existing file at `to` makes the move fail.
    if (!MoveFileExW(from.c_str(), to.c_str(), 0))
        return lastError();
    return {};
}

bool isFileNameTaken(std::error_code error)
{
    return error.category() == std::system_category() &&
           (error.value() == ERROR_ALREADY_EXISTS || error.value() == ERROR_FILE_EXISTS);
}

std::FILE *openScratchFile(const std::filesystem::path &path, std::error_code &error)
{
    const HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = lastError();
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        error = std::make_error_code(std::errc::too_many_files_open);
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE *file = _fdopen(fd, "w+b");
    if (!file) {
        error = std::make_error_code(std::errc::too_many_files_open);
        _close(fd);
    }
    return file;
}

} // namespace kvx
