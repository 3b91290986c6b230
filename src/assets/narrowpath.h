#pragma once
// Atlas page names are bytes in the system's narrow file-system encoding.

#include <filesystem>
#include <optional>
#include <string_view>

namespace kvx {

// None when the bytes are not valid in that encoding (never on POSIX, where bytes are the path).
std::optional<std::filesystem::path> pathFromNarrowBytes(std::string_view bytes);

} // namespace kvx
