#pragma once
// The one rule for names Kovexa gives files and folders: a relative path whose every part Windows
// and Linux file systems can hold. Region images refuse a name that breaks it; rendered outputs make
// such a name fit.

#include <optional>
#include <string>
#include <string_view>

namespace kvx {

// Whether one part of a path can name a file or folder everywhere: not empty, "." or "..", no
// control characters and none of <>:"|?*, not ending in a dot or a space, no device name such as
// "con" or "lpt1" (with or without an extension).
bool isPortableNamePart(std::string_view part);

// The name as a relative path, UTF-8 with "/" between its parts ("\" separates parts as "/"
// does); empty when it is malformed UTF-8 or any part is not portable.
std::optional<std::string> checkedPortablePath(std::string_view name);

// The name made portable, parts kept: malformed UTF-8 becomes U+FFFD, empty parts are dropped,
// characters no system takes become "_", as do a trailing dot or space and the whole of "." and
// "..", a device name gets "_" after its stem, and a part longer than kMaxPortablePartBytes is cut
// at a character boundary. Never empty: "_" for a name of nothing usable.
std::string portablePath(std::string_view name);

// The same for a name that must stay one part: its separators become "_" as well.
std::string portableNamePart(std::string_view name);

// Long enough for any real name, short enough to leave room for "-2", a frame number and an
// extension within the 255 bytes file systems allow.
inline constexpr std::size_t kMaxPortablePartBytes = 200;

} // namespace kvx
