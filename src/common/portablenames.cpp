#include "common/portablenames.h"

#include "common/textcodec.h"

#include <algorithm>
#include <array>

namespace kvx {
namespace {

constexpr std::string_view kForbidden = "<>:\"|?*";

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The part's stem (up to its first dot) is a device name.
bool isDeviceName(std::string_view part)
{
    std::string stem(part.substr(0, part.find('.')));
    std::transform(stem.begin(), stem.end(), stem.begin(), asciiLower);
    static constexpr std::array<std::string_view, 4> kNames{"con", "prn", "aux", "nul"};
    if (std::find(kNames.begin(), kNames.end(), stem) != kNames.end())
        return true;
    const bool numbered = stem.size() == 4 && (stem.starts_with("com") || stem.starts_with("lpt"));
    return numbered && stem[3] >= '0' && stem[3] <= '9';
}

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

bool isUnusableCharacter(char c)
{
    return static_cast<unsigned char>(c) < 0x20 || kForbidden.find(c) != std::string_view::npos;
}

// Cut at most at limit bytes, never inside a UTF-8 sequence.
std::string cutAtCharacter(std::string text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

std::string portablePart(std::string part)
{
    std::replace_if(part.begin(), part.end(), isUnusableCharacter, '_');
    part = cutAtCharacter(std::move(part), kMaxPortablePartBytes);
    if (part == "." || part == "..")
        return std::string(part.size(), '_');
    for (auto last = part.rbegin(); last != part.rend() && (*last == '.' || *last == ' '); ++last)
        *last = '_';
    if (isDeviceName(part))
        part.insert(std::min(part.find('.'), part.size()), "_");
    return part;
}

std::string validUtf8(std::string_view name)
{
    if (utf8ToUtf16Strict(name))
        return std::string(name);
    return utf16ToUtf8Strict(utf8ToUtf16Lenient(name)).value_or(std::string());
}

} // namespace

bool isPortableNamePart(std::string_view part)
{
    if (part.empty() || part == "." || part == ".." || part.back() == '.' || part.back() == ' ')
        return false;
    if (std::any_of(part.begin(), part.end(), isUnusableCharacter) || isSeparator(part.front()))
        return false;
    return !isDeviceName(part);
}

std::optional<std::string> checkedPortablePath(std::string_view name)
{
    std::string path(name);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (!utf8ToUtf16Strict(path))
        return std::nullopt;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        if (!isPortableNamePart(std::string_view(path).substr(start, slash - start)))
            return std::nullopt;
        start = slash + 1;
    }
    return path;
}

std::string portablePath(std::string_view name)
{
    const std::string text = validUtf8(name);
    std::string path;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = start;
        while (end < text.size() && !isSeparator(text[end]))
            ++end;
        if (end > start)
            path += (path.empty() ? "" : "/") + portablePart(text.substr(start, end - start));
        start = end + 1;
    }
    return path.empty() ? std::string("_") : path;
}

std::string portableNamePart(std::string_view name)
{
    std::string text = validUtf8(name);
    std::replace_if(text.begin(), text.end(), isSeparator, '_');
    return text.empty() ? std::string("_") : portablePart(std::move(text));
}

} // namespace kvx
