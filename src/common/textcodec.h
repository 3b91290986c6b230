#pragma once
// UTF-8 <-> UTF-16 conversion without locale or platform dependence.

#include <optional>
#include <string>
#include <string_view>

namespace kvx {

// Rejects malformed UTF-8 (overlong forms, surrogates, truncated sequences).
std::optional<std::u16string> utf8ToUtf16Strict(std::string_view text);

// Replaces each malformed sequence by U+FFFD, as the Windows converter does by default.
std::u16string utf8ToUtf16Lenient(std::string_view text);

// Rejects unpaired surrogates.
std::optional<std::string> utf16ToUtf8Strict(std::u16string_view text);

} // namespace kvx
