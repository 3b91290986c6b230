#include "assets/narrowpath.h"

#include <windows.h>

#include <climits>
#include <string>

namespace kvx {

std::optional<std::filesystem::path> pathFromNarrowBytes(std::string_view bytes)
{
    if (bytes.empty())
        return std::filesystem::path();
    if (bytes.size() > static_cast<size_t>(INT_MAX))
        return std::nullopt;
    // Bytes that are not valid in the ANSI code page fail instead of becoming a different name.
    const int length = static_cast<int>(bytes.size());
    const int wideLength = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (wideLength <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, wide.data(), wideLength) != wideLength)
        return std::nullopt;
    return std::filesystem::path(std::move(wide));
}

} // namespace kvx
