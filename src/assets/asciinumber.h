#pragma once
// Number rules shared by the version parser and the atlas reader: ASCII only, no locale.

#include <cstdint>
#include <optional>
#include <string_view>

namespace kvx {

inline bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The whole text is an optional "-" and one or more ASCII digits, within 32 bits.
std::optional<int32_t> parseWholeInt32(std::string_view text);

} // namespace kvx
