#include "assets/narrowpath.h"

#include <string>

namespace kvx {

// On POSIX the bytes are the path: nothing to convert, nothing to reject.
std::optional<std::filesystem::path> pathFromNarrowBytes(std::string_view bytes)
{
    return std::filesystem::path(std::string(bytes));
}

} // namespace kvx
