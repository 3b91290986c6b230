#include "assets/atlasreader.h"

#include "assets/asciinumber.h"
#include "assets/narrowpath.h"

#include <charconv>
#include <cfloat>
#include <cmath>
#include <fstream>
#include <limits>
#include <new>

namespace kvx {
namespace {

constexpr std::string_view kOpenFailed = "Atlas file could not be opened.";
constexpr std::string_view kReadFailed = "Atlas file could not be read.";
constexpr std::string_view kTooLarge = "Atlas file is too large.";
constexpr std::string_view kPropertyBeforePage = "Atlas property appears before a page name.";
constexpr std::string_view kPageNameNotPath = "Atlas page name cannot be converted to a path.";
constexpr std::string_view kNoPages = "Atlas does not contain any pages.";
constexpr std::string_view kEmptyPageName = "Atlas contains an empty page name.";

// Real atlases stay far below this; the bound keeps a huge or hostile file from exhausting
// memory (every name line becomes a region record).
constexpr size_t kMaxAtlasFileBytes = 16 * 1024 * 1024;

// isspace in the "C" locale, whatever locale the application runs in.
bool isCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isCSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isCSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isTrueValue(std::string_view value)
{
    return value == "true" || value == "yes" || value == "1";
}

bool isRotatedValue(std::string_view value)
{
    return isTrueValue(value) || value == "90" || value == "270";
}

// The runtimes turn a region only by the three right angles; any other angle draws it upright.
int32_t rotationDegrees(std::string_view value)
{
    if (isTrueValue(value))
        return 90;
    const std::optional<int32_t> degrees = parseWholeInt32(value);
    return degrees && (*degrees == 90 || *degrees == 180 || *degrees == 270) ? *degrees : 0;
}

// ----- strtod in the "C" locale, without depending on the process locale -----

bool startsWithNoCase(std::string_view text, std::string_view lowerPrefix)
{
    if (text.size() < lowerPrefix.size())
        return false;
    for (size_t i = 0; i < lowerPrefix.size(); ++i) {
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != lowerPrefix[i])
            return false;
    }
    return true;
}

bool isHexDigit(char c)
{
    return isAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

template <typename Predicate>
size_t countWhile(std::string_view text, size_t from, Predicate predicate)
{
    size_t count = 0;
    while (from + count < text.size() && predicate(text[from + count]))
        ++count;
    return count;
}

// Length of the mantissa and exponent strtod would consume at the start of text (after the
// sign), or 0 when it reads no number there.
size_t numberLength(std::string_view text, bool hex, char exponentLetter)
{
    const auto digit = hex ? isHexDigit : isAsciiDigit;
    size_t length = countWhile(text, 0, digit);
    size_t digits = length;
    if (length < text.size() && text[length] == '.') {
        const size_t fraction = countWhile(text, length + 1, digit);
        digits += fraction;
        length += 1 + fraction;
    }
    if (digits == 0)
        return 0;
    if (length < text.size() && (text[length] | 0x20) == exponentLetter) {
        size_t exponent = length + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
            ++exponent;
        const size_t exponentDigits = countWhile(text, exponent, isAsciiDigit);
        if (exponentDigits > 0)
            length = exponent + exponentDigits;
    }
    return length;
}

std::optional<double> parseSpecialValue(std::string_view text)
{
    if (startsWithNoCase(text, "inf"))
        return std::numeric_limits<double>::infinity();
    if (startsWithNoCase(text, "nan"))
        return std::numeric_limits<double>::quiet_NaN();
    return std::nullopt;
}

std::optional<double> convertNumber(std::string_view number, std::chars_format format)
{
    double value = 0;
    const auto [stop, error] = std::from_chars(number.data(), number.data() + number.size(), value, format);
    if (error != std::errc() || stop != number.data() + number.size())
        return std::nullopt;
    // strtod flags inexact results below the normal range as a range error as well.
    if (value != 0 && std::fabs(value) < DBL_MIN)
        return std::nullopt;
    return value;
}

// The leading number of the text as strtod reads it; none when it reads none or reports a range error.
std::optional<double> parseLeadingDouble(std::string_view text)
{
    const bool negative = text.starts_with('-');
    if (negative || text.starts_with('+'))
        text.remove_prefix(1);
    std::optional<double> magnitude = parseSpecialValue(text);
    if (!magnitude) {
        const bool hex = startsWithNoCase(text, "0x") && numberLength(text.substr(2), true, 'p') > 0;
        const std::string_view digits = hex ? text.substr(2) : text;
        const size_t length = numberLength(digits, hex, hex ? 'p' : 'e');
        if (length == 0)
            return std::nullopt;
        magnitude = convertNumber(digits.substr(0, length), hex ? std::chars_format::hex : std::chars_format::general);
    }
    if (!magnitude)
        return std::nullopt;
    return negative ? -*magnitude : *magnitude;
}

// ----- the line parser -----

AtlasReadResult failure(std::string_view message, int64_t line)
{
    AtlasReadResult result;
    result.error = std::string(message);
    result.errorLine = line;
    return result;
}

std::vector<int32_t> intListOrEmpty(std::string_view value)
{
    return parseIntList(value).value_or(std::vector<int32_t>{});
}

void applyPageProperty(AtlasPage &page, std::string_view key, std::string_view value, int64_t line,
                       std::vector<std::string> &warnings)
{
    if (key == "size")
        page.size = intListOrEmpty(value);
    else if (key == "format")
        page.format = std::string(value);
    else if (key == "filter")
        page.filter = std::string(value);
    else if (key == "repeat")
        page.repeat = std::string(value);
    else if (key == "pma")
        page.pma = value == "true"; // exactly as the official runtimes read it
    else if (key == "scale")
        page.scale = parseLeadingDouble(value);
    else
        warnings.push_back("Unknown page property at line " + std::to_string(line));
}

void applyRegionProperty(AtlasRegion &region, std::string_view key, std::string_view value)
{
    if (key == "rotate") {
        region.rotate = isRotatedValue(value);
        region.degrees = rotationDegrees(value);
    }
    else if (key == "bounds")
        region.bounds = intListOrEmpty(value);
    else if (key == "xy")
        region.xy = intListOrEmpty(value);
    else if (key == "size")
        region.size = intListOrEmpty(value);
    else if (key == "orig")
        region.orig = intListOrEmpty(value);
    else if (key == "offset" || key == "offsets")
        region.offsets = intListOrEmpty(value);
    else if (key == "split")
        region.split = intListOrEmpty(value);
    else if (key == "pad")
        region.pad = intListOrEmpty(value);
    else if (key == "index") {
        const std::optional<std::vector<int32_t>> list = parseIntList(value);
        if (list && !list->empty())
            region.index = list->front();
    }
}

// The current page is always the last page, the current region the last region of it.
class AtlasParser {
public:
    // The error message when this line fails the whole read.
    std::optional<std::string_view> feed(std::string_view rawLine, int64_t line)
    {
        if (rawLine.ends_with('\r'))
            rawLine.remove_suffix(1);
        const std::string_view text = trim(rawLine);
        if (text.empty()) {
            pageExpected = true;
            hasPage = false;
            hasRegion = false;
            return std::nullopt;
        }
        const size_t colon = text.find(':');
        if (colon != std::string_view::npos)
            return property(trim(text.substr(0, colon)), trim(text.substr(colon + 1)), line);
        if (pageExpected || !hasPage)
            return startPage(text);
        pages.back().regions.push_back(AtlasRegion{.name = std::string(text)});
        hasRegion = true;
        return std::nullopt;
    }

    AtlasReadResult finish()
    {
        if (pages.empty())
            return failure(kNoPages, 0);
        for (const AtlasPage &page : pages) {
            if (page.name.empty())
                return failure(kEmptyPageName, 0);
        }
        AtlasReadResult result;
        result.pages = std::move(pages);
        result.warnings = std::move(warnings);
        result.ok = true;
        return result;
    }

private:
    std::optional<std::string_view> property(std::string_view key, std::string_view value, int64_t line)
    {
        if (!hasPage)
            return kPropertyBeforePage;
        AtlasPage &page = pages.back();
        if (hasRegion)
            applyRegionProperty(page.regions.back(), key, value);
        else
            applyPageProperty(page, key, value, line, warnings);
        return std::nullopt;
    }

    std::optional<std::string_view> startPage(std::string_view text)
    {
        // A zero byte would cut the name short in every file-system call.
        std::optional<std::filesystem::path> name;
        if (text.find('\0') == std::string_view::npos)
            name = pathFromNarrowBytes(text);
        if (!name)
            return kPageNameNotPath;
        AtlasPage page;
        page.name = std::move(*name);
        page.rawName = std::string(text);
        pages.push_back(std::move(page));
        hasPage = true;
        hasRegion = false;
        pageExpected = false;
        return std::nullopt;
    }

    std::vector<AtlasPage> pages;
    std::vector<std::string> warnings;
    bool hasPage = false;
    bool hasRegion = false;
    bool pageExpected = true;
};

struct FileBytes {
    std::string bytes;
    std::string_view error; // empty when the whole file was read
};

FileBytes readWholeFile(const std::filesystem::path &path)
{
    // Folders, FIFOs and devices are no atlas files; opening a FIFO would block as well.
    std::error_code ignored;
    std::ifstream file;
    if (std::filesystem::is_regular_file(path, ignored))
        file.open(path, std::ios::binary);
    if (!file.is_open())
        return {{}, kOpenFailed};
    FileBytes result;
    char chunk[65536];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        result.bytes.append(chunk, static_cast<size_t>(file.gcount()));
        if (result.bytes.size() > kMaxAtlasFileBytes)
            return {{}, kTooLarge};
    }
    if (file.bad())
        return {{}, kReadFailed};
    return result;
}

} // namespace

std::optional<std::vector<int32_t>> parseIntList(std::string_view text)
{
    std::vector<int32_t> values;
    size_t start = 0;
    while (start < text.size()) {
        const size_t comma = text.find(',', start);
        const size_t end = comma == std::string_view::npos ? text.size() : comma;
        const std::optional<int32_t> value = parseWholeInt32(trim(text.substr(start, end - start)));
        if (!value)
            return std::nullopt;
        values.push_back(*value);
        start = end + 1;
    }
    return values;
}

AtlasReadResult parseAtlasText(std::string_view text)
{
    AtlasParser parser;
    int64_t line = 0;
    size_t start = 0;
    while (start < text.size()) {
        const size_t newline = text.find('\n', start);
        const size_t end = newline == std::string_view::npos ? text.size() : newline;
        ++line;
        if (const std::optional<std::string_view> error = parser.feed(text.substr(start, end - start), line))
            return failure(*error, line);
        start = end + 1;
    }
    return parser.finish();
}

AtlasReadResult readAtlasFile(const std::filesystem::path &path)
{
    try {
        const FileBytes file = readWholeFile(path);
        if (!file.error.empty())
            return failure(file.error, 0);
        return parseAtlasText(file.bytes);
    } catch (const std::bad_alloc &) {
        return failure(kTooLarge, 0);
    }
}

} // namespace kvx
