#include "assets/versiondetection.h"

#include "assets/spinelines.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <string_view>

namespace kvx {
namespace {

constexpr std::string_view kOpenFailedMessage = "Skeleton data file could not be opened.";
constexpr std::string_view kBinaryUnrecognizedMessage = "SKEL header does not contain a valid Spine version.";
constexpr std::string_view kJsonSchemaMessage = "JSON does not contain the minimum Spine skeleton schema.";
constexpr std::string_view kJsonVersionInvalidMessage = "Spine JSON version is invalid.";
constexpr std::string_view kOutOfRangeMessage = "Spine data version is outside the supported range.";
constexpr std::string_view kDetectedMessage = "Spine data version detected.";

// Nothing beyond the first MiB is ever read, whatever the file's size.
constexpr size_t kHeadLimit = 0x100000;
constexpr size_t kReadStep = 0x10000;
constexpr size_t kSearchWindow = 256;
constexpr uint32_t kMaxHeaderStringLength = 4096;

// The head of the stream, read on demand and kept, so that both readers see the same bytes
// without reading the stream twice.
class HeadBytes {
public:
    explicit HeadBytes(std::istream &source) : source(source) {}

    // Makes the first min(count, kHeadLimit) bytes available as far as the stream has them.
    void ensure(size_t count)
    {
        const size_t wanted = std::min(count, kHeadLimit);
        while (!exhausted && bytes.size() < wanted) {
            // Step by step, so that a small file costs no full-size buffer.
            const size_t before = bytes.size();
            const size_t step = std::min(wanted - before, kReadStep);
            bytes.resize(before + step);
            source.read(bytes.data() + before, static_cast<std::streamsize>(step));
            const auto received = static_cast<size_t>(std::max<std::streamsize>(source.gcount(), 0));
            bytes.resize(before + received);
            // A read error counts as the end of the file: the readers work with what arrived.
            if (received == 0 || source.bad())
                exhausted = true;
            source.clear();
        }
    }

    bool canGrow() const { return !exhausted && bytes.size() < kHeadLimit; }
    std::string_view view() const { return bytes; }

private:
    std::istream &source;
    std::string bytes;
    bool exhausted = false;
};

class HeadCursor {
public:
    explicit HeadCursor(HeadBytes &head) : head(head) {}

    std::optional<unsigned char> nextByte()
    {
        head.ensure(position + 1);
        if (position >= head.view().size())
            return std::nullopt;
        return static_cast<unsigned char>(head.view()[position++]);
    }

    std::optional<std::string> take(size_t count)
    {
        head.ensure(position + count);
        const std::string_view available = head.view().substr(std::min(position, head.view().size()));
        if (available.size() < count) {
            position = head.view().size();
            return std::nullopt;
        }
        position += count;
        return std::string(available.substr(0, count));
    }

private:
    HeadBytes &head;
    size_t position = 0;
};

VersionDetection outcome(SkeletonFormat format, DetectionStatus status, std::string_view message)
{
    return VersionDetection{format, status, std::nullopt, std::string(message)};
}

VersionDetection fromVersion(SkeletonFormat format, const SpineVersion &version)
{
    const bool supported = isSupportedSpineVersion(version);
    return VersionDetection{format, supported ? DetectionStatus::Supported : DetectionStatus::Unsupported, version,
                            std::string(supported ? kDetectedMessage : kOutOfRangeMessage)};
}

// ----- binary head -----

// Up to five bytes, seven bits each, lowest first; bits above 32 fall away.
std::optional<uint32_t> readVarint(HeadCursor &cursor)
{
    uint32_t value = 0;
    for (int shift = 0; shift <= 28; shift += 7) {
        const std::optional<unsigned char> byte = cursor.nextByte();
        if (!byte)
            return std::nullopt;
        value |= static_cast<uint32_t>(*byte & 0x7F) << shift;
        if ((*byte & 0x80) == 0)
            return value;
    }
    return std::nullopt;
}

// A varint of length + 1 (0 is the null string), then that many bytes.
std::optional<std::string> readHeaderString(HeadCursor &cursor)
{
    const std::optional<uint32_t> prefix = readVarint(cursor);
    if (!prefix || *prefix == 0)
        return std::nullopt;
    const uint32_t length = *prefix - 1;
    if (length > kMaxHeaderStringLength)
        return std::nullopt;
    if (length == 0)
        return std::string();
    return cursor.take(length);
}

const std::regex &binaryVersionPattern()
{
    // Bounded to the search window, so the backtracking matcher's recursion stays shallow.
    static const std::regex pattern(supportedVersionPattern(), std::regex::ECMAScript);
    return pattern;
}

std::optional<SpineVersion> searchBinaryVersion(HeadBytes &head)
{
    head.ensure(kSearchWindow);
    const std::string_view window = head.view().substr(0, kSearchWindow);
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_search(window.begin(), window.end(), match, binaryVersionPattern()))
        return std::nullopt;
    return parseSpineVersion(std::string_view(&*match[1].first, static_cast<size_t>(match[1].length())));
}

VersionDetection readBinaryHead(HeadBytes &head)
{
    HeadCursor cursor(head);
    const std::optional<std::string> hash = readHeaderString(cursor);
    const std::optional<std::string> versionText = readHeaderString(cursor);
    if (hash && versionText) {
        if (const std::optional<SpineVersion> version = parseSpineVersion(*versionText))
            return fromVersion(SkeletonFormat::Binary, *version);
    }
    if (const std::optional<SpineVersion> version = searchBinaryVersion(head))
        return fromVersion(SkeletonFormat::Binary, *version);
    return outcome(SkeletonFormat::Binary, DetectionStatus::Unrecognized, kBinaryUnrecognizedMessage);
}

// ----- JSON head -----
// The two key patterns are matched by hand: a backtracking regex recurses once per character,
// which a megabyte of white space or of an unterminated suffix turns into a stack overflow.
// The matchers below give exactly the matches of the patterns quoted above each of them.

// \s of the ECMAScript grammar in the "C" locale.
bool isPatternSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

void skipPatternSpace(std::string_view text, size_t &position)
{
    while (position < text.size() && isPatternSpace(text[position]))
        ++position;
}

bool consume(std::string_view text, size_t &position, char expected)
{
    if (position >= text.size() || text[position] != expected)
        return false;
    ++position;
    return true;
}

// \d+, maximal: whatever may follow a run of digits in these patterns is never a digit.
bool consumeDigits(std::string_view text, size_t &position)
{
    const size_t start = position;
    while (position < text.size() && isDigit(text[position]))
        ++position;
    return position > start;
}

// "bones"\s*:
bool containsBonesKey(std::string_view text)
{
    constexpr std::string_view key = "\"bones\"";
    for (size_t at = text.find(key); at != std::string_view::npos; at = text.find(key, at + 1)) {
        size_t position = at + key.size();
        skipPatternSpace(text, position);
        if (consume(text, position, ':'))
            return true;
    }
    return false;
}

// Group 1 of "spine"\s*:\s*"(\d+\.\d+(?:\.\d+)?(?:-[^"]+)?)" for a match starting at `at`.
std::optional<std::string_view> spineValueAt(std::string_view text, size_t at, size_t keySize)
{
    size_t position = at + keySize;
    skipPatternSpace(text, position);
    if (!consume(text, position, ':'))
        return std::nullopt;
    skipPatternSpace(text, position);
    if (!consume(text, position, '"'))
        return std::nullopt;
    const size_t start = position;
    if (!consumeDigits(text, position) || !consume(text, position, '.') || !consumeDigits(text, position))
        return std::nullopt;
    if (consume(text, position, '.') && !consumeDigits(text, position))
        return std::nullopt;
    if (consume(text, position, '-')) {
        // [^"]+ takes everything up to the next quote, which must follow at least one byte.
        const size_t quote = text.find('"', position);
        if (quote == std::string_view::npos || quote == position)
            return std::nullopt;
        position = quote;
    }
    if (position >= text.size() || text[position] != '"')
        return std::nullopt;
    return text.substr(start, position - start);
}

// The leftmost match: the first occurrence of the key where the rest of the pattern matches.
std::optional<std::string_view> findSpineValue(std::string_view text)
{
    constexpr std::string_view key = "\"spine\"";
    for (size_t at = text.find(key); at != std::string_view::npos; at = text.find(key, at + 1)) {
        if (const std::optional<std::string_view> value = spineValueAt(text, at, key.size()))
            return value;
    }
    return std::nullopt;
}

VersionDetection readJsonHead(HeadBytes &head)
{
    head.ensure(kHeadLimit);
    const std::string_view text = head.view();
    const std::optional<std::string_view> versionText = containsBonesKey(text) ? findSpineValue(text) : std::nullopt;
    if (!versionText)
        return outcome(SkeletonFormat::Json, DetectionStatus::Unrecognized, kJsonSchemaMessage);
    const std::optional<SpineVersion> version = parseSpineVersion(*versionText);
    if (!version)
        return outcome(SkeletonFormat::Json, DetectionStatus::Unrecognized, kJsonVersionInvalidMessage);
    return fromVersion(SkeletonFormat::Json, *version);
}

// ----- format choice -----

bool isLeadingSpace(char c)
{
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

// The first byte after leading tab, line feed, carriage return and space. A head made only of
// those bytes counts as all white space even when the file goes on beyond the read limit.
std::optional<char> firstContentByte(HeadBytes &head)
{
    size_t position = 0;
    for (size_t window = 64;; window *= 2) {
        head.ensure(window);
        const std::string_view bytes = head.view();
        for (; position < bytes.size(); ++position) {
            if (!isLeadingSpace(bytes[position]))
                return bytes[position];
        }
        if (!head.canGrow())
            return std::nullopt;
    }
}

} // namespace

VersionDetection detectSpineVersion(const std::filesystem::path &path)
{
    // Only a regular file (or a link to one) is opened: a folder opens on POSIX but is no skeleton
    // file, and opening a FIFO would block until something writes to it.
    std::error_code ignored;
    std::ifstream file;
    if (std::filesystem::is_regular_file(path, ignored))
        file.open(path, std::ios::binary);
    if (!file.is_open())
        return outcome(SkeletonFormat::Unknown, DetectionStatus::OpenFailed, kOpenFailedMessage);
    return detectSpineVersion(file);
}

VersionDetection detectSpineVersion(std::istream &stream)
{
    // A private stream over the same buffer: the caller's state and exception mask stay untouched,
    // and a throwing buffer only ends the input.
    std::istream input(stream.rdbuf());
    input.seekg(0);
    input.clear();
    HeadBytes head(input);
    if (firstContentByte(head) == '{')
        return readJsonHead(head);
    return readBinaryHead(head);
}

} // namespace kvx
