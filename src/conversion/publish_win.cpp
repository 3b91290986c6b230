#include "conversion/publish.h"

#include <windows.h>

namespace kvx {

std::error_code publishFolder(const std::filesystem::path &source, const std::filesystem::path &destination)
{
    // No MOVEFILE_REPLACE_EXISTING: a folder that appeared at the destination meanwhile is never
    // replaced or merged into; the move fails and both stay as they were.
    if (MoveFileExW(source.c_str(), destination.c_str(), MOVEFILE_COPY_ALLOWED))
        return {};
    return std::error_code(static_cast<int>(GetLastError()), std::system_category());
}

bool isNameTaken(const std::error_code &error)
{
    return error.category() == std::system_category() &&
           (error.value() == ERROR_ALREADY_EXISTS || error.value() == ERROR_FILE_EXISTS);
}

} // namespace kvx
