#include "assets/asciinumber.h"

#include <charconv>

namespace kvx {

std::optional<int32_t> parseWholeInt32(std::string_view text)
{
    const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    if (digits.empty() || !isAsciiDigit(digits.front()))
        return std::nullopt;
    int32_t value = 0;
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace kvx
