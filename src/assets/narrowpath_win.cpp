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
    // The code page narrow file names are read in: the ANSI one unless the process switched its
    // file APIs to OEM. Bytes not valid there fail instead of becoming a different name.
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    const int length = static_cast<int>(bytes.size());
    const int wideLength = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (wideLength <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, wide.data(), wideLength) != wideLength)
        return std::nullopt;
    return std::filesystem::path(std::move(wide));
}

} // namespace kvx
