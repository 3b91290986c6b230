#include "common/newfile.h"

#include <windows.h>

#include <algorithm>

namespace kvx {

std::error_code writeNewFile(const std::filesystem::path &path, std::string_view bytes)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {static_cast<int>(GetLastError()), std::system_category()};
    DWORD code = 0;
    for (std::size_t written = 0; written < bytes.size() && code == 0;) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 30));
        DWORD count = 0;
        if (WriteFile(file, bytes.data() + written, chunk, &count, nullptr) && count > 0)
            written += count;
        else if ((code = GetLastError()) == 0)
            code = ERROR_WRITE_FAULT;
    }
    if (!CloseHandle(file) && code == 0)
        code = GetLastError();
    if (code == 0)
        return {};
    DeleteFileW(path.c_str());
    return {static_cast<int>(code), std::system_category()};
}

} // namespace kvx
