#include "assets/versiondetection.h"

#include "assets/referencepatterns.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <stdexcept>

namespace kvx {
namespace {

using test::TempFolder;

constexpr size_t kMiB = 0x100000;
const char *const kDetected = "Spine data version detected.";
const char *const kOutOfRange = "Spine data version is outside the supported range.";
const char *const kSkelUnrecognized = "SKEL header does not contain a valid Spine version.";
const char *const kJsonSchema = "JSON does not contain the minimum Spine skeleton schema.";
const char *const kJsonInvalid = "Spine JSON version is invalid.";

VersionDetection detectBytes(const std::string &bytes)
{
    std::istringstream stream(bytes, std::ios::binary);
    return detectSpineVersion(stream);
}

std::string varint(uint32_t value)
{
    std::string bytes;
    do {
        const auto low = static_cast<char>(value & 0x7F);
        value >>= 7;
        bytes += value ? static_cast<char>(low | 0x80) : low;
    } while (value);
    return bytes;
}

// A length-prefixed header string: the varint holds the length plus one.
std::string headerString(std::string_view text)
{
    return varint(static_cast<uint32_t>(text.size() + 1)) + std::string(text);
}

std::string jsonSkeleton(std::string_view version)
{
    return R"({"skeleton":{"hash":"x","spine":")" + std::string(version) + R"("},"bones":[{"name":"root"}]})";
}

void expectDetection(const VersionDetection &result, SkeletonFormat format, DetectionStatus status,
                     const char *message, std::optional<SpineVersion> version = std::nullopt)
{
    EXPECT_EQ(result.format, format);
    EXPECT_EQ(result.status, status);
    EXPECT_EQ(result.message, message);
    EXPECT_EQ(result.version, version);
}

void expectJson(const std::string &bytes, DetectionStatus status, const char *message,
                std::optional<SpineVersion> version = std::nullopt)
{
    SCOPED_TRACE(bytes.substr(0, 80));
    expectDetection(detectBytes(bytes), SkeletonFormat::Json, status, message, version);
}

void expectBinary(const std::string &bytes, DetectionStatus status, const char *message,
                  std::optional<SpineVersion> version = std::nullopt)
{
    expectDetection(detectBytes(bytes), SkeletonFormat::Binary, status, message, version);
}

// ----- the failure table, on files -----

TEST(DetectSpineVersionFile, ReportsEveryRowOfTheOutcomeTable)
{
    TempFolder folder;
    const auto detect = [&](const char *name, const std::string &bytes) {
        return detectSpineVersion(folder.write(name, bytes));
    };
    expectDetection(detectSpineVersion(folder / "missing.json"), SkeletonFormat::Unknown, DetectionStatus::OpenFailed,
                    "Skeleton data file could not be opened.");
    expectDetection(detect("a.skel", "\x01\x01garbage"), SkeletonFormat::Binary, DetectionStatus::Unrecognized,
                    kSkelUnrecognized);
    expectDetection(detect("b.json", R"({"skeleton":{"spine":"4.2.43"}})"), SkeletonFormat::Json,
                    DetectionStatus::Unrecognized, kJsonSchema);
    expectDetection(detect("c.json", jsonSkeleton("4.1-beta")), SkeletonFormat::Json, DetectionStatus::Unrecognized,
                    kJsonInvalid);
    expectDetection(detect("d.json", jsonSkeleton("3.7.94")), SkeletonFormat::Json, DetectionStatus::Unsupported,
                    kOutOfRange, SpineVersion{3, 7, 94});
    expectDetection(detect("e.skel", headerString("hash") + headerString("4.4.1")), SkeletonFormat::Binary,
                    DetectionStatus::Unsupported, kOutOfRange, SpineVersion{4, 4, 1});
    expectDetection(detect("f.json", jsonSkeleton("4.2.43")), SkeletonFormat::Json, DetectionStatus::Supported,
                    kDetected, SpineVersion{4, 2, 43});
    expectDetection(detect("g.skel.bytes", headerString("hash") + headerString("3.8.99")), SkeletonFormat::Binary,
                    DetectionStatus::Supported, kDetected, SpineVersion{3, 8, 99});
}

TEST(DetectSpineVersionFile, DecidesByContentNotSuffixAndOpensNonAsciiPaths)
{
    TempFolder folder;
    const auto json = folder.write(std::filesystem::path(u8"角色 données") / u8"英雄.skel", jsonSkeleton("4.0.64"));
    expectDetection(detectSpineVersion(json), SkeletonFormat::Json, DetectionStatus::Supported, kDetected,
                    SpineVersion{4, 0, 64});
    const auto binary = folder.write(u8"héros.json", headerString("") + headerString("3.8.20"));
    expectDetection(detectSpineVersion(binary), SkeletonFormat::Binary, DetectionStatus::Supported, kDetected,
                    SpineVersion{3, 8, 20});
}

TEST(DetectSpineVersionFile, TreatsAFolderAsUnopenable)
{
    TempFolder folder;
    std::filesystem::create_directories(folder / "hero.json");
    EXPECT_EQ(detectSpineVersion(folder / "hero.json").status, DetectionStatus::OpenFailed);
}

TEST(DetectSpineVersionFile, ReadsOnlyTheHeadOfAHugeSparseFile)
{
    TempFolder folder;
    const auto path = folder.write("huge.json", jsonSkeleton("4.2.43"));
    std::filesystem::resize_file(path, 1ull << 30);
    expectDetection(detectSpineVersion(path), SkeletonFormat::Json, DetectionStatus::Supported, kDetected,
                    SpineVersion{4, 2, 43});
}

// ----- choosing the reader -----

TEST(DetectSpineVersionFormat, SkipsOnlyTabLineFeedCarriageReturnAndSpace)
{
    expectJson("\n\r\n\t   " + jsonSkeleton("4.2.43"), DetectionStatus::Supported, kDetected, SpineVersion{4, 2, 43});
    // Vertical tab is no leading white space: the binary reader runs and its search finds the version.
    expectBinary("\v" + jsonSkeleton("4.2.43"), DetectionStatus::Supported, kDetected, SpineVersion{4, 2, 43});
    expectBinary("", DetectionStatus::Unrecognized, kSkelUnrecognized);
    expectBinary(" \t\r\n  ", DetectionStatus::Unrecognized, kSkelUnrecognized);
    expectJson("{", DetectionStatus::Unrecognized, kJsonSchema);
}

TEST(DetectSpineVersionFormat, SendsAByteOrderMarkToTheBinaryReader)
{
    const std::string bom = "\xEF\xBB\xBF";
    expectBinary(bom + jsonSkeleton("4.2.43"), DetectionStatus::Supported, kDetected, SpineVersion{4, 2, 43});
    const std::string late = bom + R"({"bones":[],"pad":")" + std::string(300, 'x') + R"(","spine":"4.2.43"})";
    expectBinary(late, DetectionStatus::Unrecognized, kSkelUnrecognized);
}

TEST(DetectSpineVersionStream, StartsFromByteZeroWhereverTheStreamStands)
{
    std::istringstream stream(jsonSkeleton("4.3.1"), std::ios::binary);
    stream.seekg(17);
    stream.exceptions(std::ios::failbit | std::ios::badbit);
    VersionDetection result;
    EXPECT_NO_THROW(result = detectSpineVersion(stream));
    EXPECT_EQ(result.version, (SpineVersion{4, 3, 1}));
}

// ----- JSON reader -----

TEST(DetectSpineVersionJson, ClassifiesVersionTexts)
{
    expectJson(jsonSkeleton("4.1.20-beta"), DetectionStatus::Supported, kDetected, SpineVersion{4, 1, 20});
    expectJson(jsonSkeleton("3.8"), DetectionStatus::Supported, kDetected, SpineVersion{3, 8, std::nullopt});
    expectJson(jsonSkeleton("3.8.20"), DetectionStatus::Supported, kDetected, SpineVersion{3, 8, 20});
    expectJson(jsonSkeleton("3.8.19"), DetectionStatus::Unsupported, kOutOfRange, SpineVersion{3, 8, 19});
    expectJson(jsonSkeleton("5.0"), DetectionStatus::Unsupported, kOutOfRange, SpineVersion{5, 0, std::nullopt});
    expectJson(jsonSkeleton("99999999999.1"), DetectionStatus::Unrecognized, kJsonInvalid);
    // Texts the pattern does not take at all are a missing version.
    for (const char *text : {"4", "4.x", "4.2.x", "4.2.43.1", "4.2-", "v4.2", " 4.2", "4.2 "})
        expectJson(jsonSkeleton(text), DetectionStatus::Unrecognized, kJsonSchema);
}

TEST(DetectSpineVersionJson, FindsKeysInAnyOrderNestingAndSpacing)
{
    expectJson("{\"bones\"\v\f:[],\"x\":{\"y\":{\"spine\"\r\n :\t\"4.2.1\"}}}", DetectionStatus::Supported,
               kDetected, SpineVersion{4, 2, 1});
    expectJson(R"({"spine":"4.2.1","bones":[]})", DetectionStatus::Supported, kDetected, SpineVersion{4, 2, 1});
    expectJson(R"({"spine":"4.2.1","bones" []})", DetectionStatus::Unrecognized, kJsonSchema);
    expectJson(R"({"spine":"4.2.1","bone":[]})", DetectionStatus::Unrecognized, kJsonSchema);
}

TEST(DetectSpineVersionJson, TakesTheLeftmostMatchOfTheVersionPattern)
{
    // A non-matching value is skipped; a matching but unparsable one decides.
    expectJson(R"({"bones":[],"spine":"abc","skeleton":{"spine":"4.0.1"}})", DetectionStatus::Supported, kDetected,
               SpineVersion{4, 0, 1});
    expectJson(R"({"bones":[],"spine":"4.1-beta","skeleton":{"spine":"4.0.1"}})", DetectionStatus::Unrecognized,
               kJsonInvalid);
    expectJson(R"({"bones":[],"spine":"spine":"4.2.7"})", DetectionStatus::Supported, kDetected,
               SpineVersion{4, 2, 7});
    expectJson(R"({"bones":[],"spine":"4.2.9-rc,"x":"y"})", DetectionStatus::Supported, kDetected,
               SpineVersion{4, 2, 9});
}

TEST(DetectSpineVersionJson, ExaminesExactlyTheFirstMebibyte)
{
    const std::string key = R"("bones":)";
    const auto withBonesEndingAt = [&](size_t end) {
        std::string head = R"({"skeleton":{"spine":"4.2.43"},"pad":")";
        head += std::string(end - head.size() - key.size() - 2, 'x') + "\",";
        return head + key + "[]}";
    };
    expectJson(withBonesEndingAt(kMiB), DetectionStatus::Supported, kDetected, SpineVersion{4, 2, 43});
    expectJson(withBonesEndingAt(kMiB + 1), DetectionStatus::Unrecognized, kJsonSchema);
}

TEST(DetectSpineVersionJson, StaysFastAndShallowOnAdversarialMebibytes)
{
    const std::string filler(kMiB, ' ');
    expectJson(R"({"bones")" + filler, DetectionStatus::Unrecognized, kJsonSchema);
    expectJson(R"({"bones":[],"spine":)" + filler, DetectionStatus::Unrecognized, kJsonSchema);
    expectJson(R"({"bones":[],"spine":"4.2-)" + std::string(kMiB, 'y'), DetectionStatus::Unrecognized, kJsonSchema);
    expectJson(R"({"bones":[],"spine":")" + std::string(kMiB, '7'), DetectionStatus::Unrecognized, kJsonSchema);
    expectJson(R"({"bones":[],"spine":"4.2.0-)" + std::string(kMiB - 40, 'z') + "\"", DetectionStatus::Supported,
               kDetected, SpineVersion{4, 2, 0});
    std::string repeated = R"({"bones":[],)";
    while (repeated.size() < kMiB)
        repeated += R"("spine":"4.)";
    expectJson(repeated, DetectionStatus::Unrecognized, kJsonSchema);
    std::string keys = "{";
    while (keys.size() < kMiB)
        keys += R"("bones"  "spine" )";
    expectJson(keys, DetectionStatus::Unrecognized, kJsonSchema);
}

TEST(DetectSpineVersionJson, AgreesWithTheRegexPatternsOnGeneratedHeads)
{
    const std::vector<std::string> pieces = {R"("spine")", R"("bones")", ":", " ", "\n", "\v", "\"", "4", "2", "13",
                                             ".", "-", "beta", ",", "{", "}", "x", std::string(1, '\0'), "\xC3\xA9"};
    std::mt19937 random(20240601);
    std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(1, 40);
    for (int round = 0; round < 3000; ++round) {
        std::string head = "{";
        for (int n = length(random); n > 0; --n)
            head += pieces[pick(random)];
        const VersionDetection expected = test::referenceJsonDetection(head);
        const VersionDetection actual = detectBytes(head);
        ASSERT_EQ(actual.status, expected.status) << head;
        ASSERT_EQ(actual.message, expected.message) << head;
        ASSERT_EQ(actual.version, expected.version) << head;
    }
}

// ----- binary reader -----

TEST(DetectSpineVersionBinary, ReadsTheTwoHeaderStrings)
{
    expectBinary(headerString(std::string(4096, 'h')) + headerString("3.8.99"), DetectionStatus::Supported, kDetected,
                 SpineVersion{3, 8, 99});
    // The header alone tells versions the search does not know.
    expectBinary(headerString("") + headerString("3.7.94"), DetectionStatus::Unsupported, kOutOfRange,
                 SpineVersion{3, 7, 94});
    expectBinary("\x05" "abcd" "\x01" "tail 4.1.0", DetectionStatus::Supported, kDetected, SpineVersion{4, 1, 0});
}

TEST(DetectSpineVersionBinary, DecodesVarintsOfUpToFiveBytes)
{
    // 1 with bits above 32 set in the fifth byte: they fall away and leave an empty hash.
    expectBinary(std::string("\x81\x80\x80\x80\x10", 5) + headerString("4.2.1"), DetectionStatus::Supported,
                 kDetected, SpineVersion{4, 2, 1});
    expectBinary(std::string("\x85\x80\x80\x80\x00", 5) + "hash" + headerString("3.7.1"), DetectionStatus::Unsupported,
                 kOutOfRange, SpineVersion{3, 7, 1});
    // A fifth byte that announces a sixth fails the read; the search has nothing to find.
    expectBinary(std::string("\x80\x80\x80\x80\x80\x01", 6) + headerString("3.7.1"), DetectionStatus::Unrecognized,
                 kSkelUnrecognized);
}

TEST(DetectSpineVersionBinary, FallsBackToTheSearchWhenTheHeaderFails)
{
    // Prefix 0 (a null string), 4098 (length 4097) and a short read each fail the header.
    expectBinary(std::string(1, '\0') + headerString("junk 4.2.43"), DetectionStatus::Supported, kDetected,
                 SpineVersion{4, 2, 43});
    expectBinary(varint(4098) + std::string(4097, 'h') + headerString("3.7.1"), DetectionStatus::Unrecognized,
                 kSkelUnrecognized);
    expectBinary(varint(4098) + "4.0.5" + std::string(4092, 'h') + headerString("3.7.1"), DetectionStatus::Supported,
                 kDetected, SpineVersion{4, 0, 5});
    expectBinary("\x0b" "4.2.1", DetectionStatus::Supported, kDetected, SpineVersion{4, 2, 1});
    expectBinary(headerString("hash") + "\x0b" "3.8.5", DetectionStatus::Unsupported, kOutOfRange,
                 SpineVersion{3, 8, 5});
    // A second string that does not parse falls back too.
    expectBinary(headerString("4.3.2") + headerString("x"), DetectionStatus::Supported, kDetected,
                 SpineVersion{4, 3, 2});
}

TEST(DetectSpineVersionBinary, SearchesOnlyTheFirst256BytesForTheKnownLines)
{
    const std::string zeros(1, '\0');
    expectBinary(zeros + std::string(250, 'x') + "4.2.1", DetectionStatus::Supported, kDetected,
                 SpineVersion{4, 2, 1});
    expectBinary(zeros + std::string(252, 'x') + "4.2.1", DetectionStatus::Supported, kDetected,
                 SpineVersion{4, 2, std::nullopt});
    expectBinary(zeros + std::string(254, 'x') + "4.2.1", DetectionStatus::Unrecognized, kSkelUnrecognized);
    expectBinary(zeros + "v3.8.25-beta.2 z", DetectionStatus::Supported, kDetected, SpineVersion{3, 8, 25});
    expectBinary(zeros + "4.4.9 3.7.9 5.0", DetectionStatus::Unrecognized, kSkelUnrecognized);
    // The leftmost match decides even when it does not parse.
    expectBinary(zeros + "4.2-rc then 4.1.5", DetectionStatus::Unrecognized, kSkelUnrecognized);
    expectBinary(zeros + std::string(1, '\0') + "\xFF" "4.3", DetectionStatus::Supported, kDetected,
                 SpineVersion{4, 3, std::nullopt});
}

// ----- streams: cost, short reads, read errors -----

// A virtual file of `size` bytes: a prefix, then filler. Counts the bytes it hands out.
class VirtualFileBuffer : public std::streambuf {
public:
    VirtualFileBuffer(std::string prefix, char filler, uint64_t size, size_t chunk, uint64_t failAt = UINT64_MAX)
        : prefix(std::move(prefix)), filler(filler), size(size), chunk(chunk), failAt(failAt), buffer(chunk, '\0')
    {
    }
    uint64_t served = 0;

protected:
    int_type underflow() override
    {
        if (next >= size)
            return traits_type::eof();
        if (next >= failAt)
            throw std::runtime_error("device error");
        const size_t count = static_cast<size_t>(std::min<uint64_t>(chunk, size - next));
        for (size_t i = 0; i < count; ++i)
            buffer[i] = next + i < prefix.size() ? prefix[next + i] : filler;
        setg(buffer.data(), buffer.data(), buffer.data() + count);
        next += count;
        served += count;
        return traits_type::to_int_type(buffer[0]);
    }

    pos_type seekoff(off_type offset, std::ios::seekdir direction, std::ios::openmode) override
    {
        if (offset != 0 || direction != std::ios::beg)
            return pos_type(off_type(-1));
        return seekpos(0, std::ios::in);
    }

    pos_type seekpos(pos_type position, std::ios::openmode) override
    {
        next = static_cast<uint64_t>(off_type(position));
        setg(nullptr, nullptr, nullptr);
        return position;
    }

private:
    std::string prefix;
    char filler;
    uint64_t size;
    size_t chunk;
    uint64_t failAt;
    std::string buffer;
    uint64_t next = 0;
};

VersionDetection detectVirtual(VirtualFileBuffer &buffer)
{
    std::istream stream(&buffer);
    return detectSpineVersion(stream);
}

TEST(DetectSpineVersionStream, ReadsAtMostOneMebibyteOfAGigabyteFile)
{
    constexpr uint64_t gigabyte = 1ull << 30;
    constexpr size_t chunk = 512;
    VirtualFileBuffer json(R"({"bones":[],)", ' ', gigabyte, chunk);
    EXPECT_EQ(detectVirtual(json).message, kJsonSchema);
    EXPECT_LE(json.served, kMiB + chunk);

    VirtualFileBuffer blank("", '\n', gigabyte, chunk);
    expectDetection(detectVirtual(blank), SkeletonFormat::Binary, DetectionStatus::Unrecognized, kSkelUnrecognized);
    EXPECT_LE(blank.served, kMiB + chunk);

    VirtualFileBuffer late("", ' ', gigabyte, chunk);
    (void)detectVirtual(late);
    EXPECT_LE(late.served, kMiB + chunk);

    VirtualFileBuffer binary(headerString("hash") + headerString("4.2.43"), '\0', gigabyte, chunk);
    EXPECT_EQ(detectVirtual(binary).version, (SpineVersion{4, 2, 43}));
    EXPECT_LE(binary.served, 4 * chunk);
}

TEST(DetectSpineVersionStream, CopesWithOneByteReads)
{
    VirtualFileBuffer json(jsonSkeleton("4.2.43"), ' ', 5000, 1);
    EXPECT_EQ(detectVirtual(json).status, DetectionStatus::Supported);
    VirtualFileBuffer binary(headerString(std::string(300, 'h')) + headerString("3.8.99"), '\0', 400, 1);
    EXPECT_EQ(detectVirtual(binary).version, (SpineVersion{3, 8, 99}));
}

// Hands out at most three bytes per bulk read, as pipes and some devices do.
class ShortReadBuffer : public std::stringbuf {
public:
    explicit ShortReadBuffer(const std::string &bytes) : std::stringbuf(bytes, std::ios::in) {}

protected:
    std::streamsize xsgetn(char *target, std::streamsize count) override
    {
        return std::stringbuf::xsgetn(target, std::min<std::streamsize>(count, 3));
    }
};

TEST(DetectSpineVersionStream, KeepsReadingAfterShortBulkReads)
{
    ShortReadBuffer json(jsonSkeleton("4.1.2"));
    std::istream jsonStream(&json);
    EXPECT_EQ(detectSpineVersion(jsonStream).version, (SpineVersion{4, 1, 2}));
    ShortReadBuffer binary(headerString("hash") + headerString("3.8.25"));
    std::istream binaryStream(&binary);
    EXPECT_EQ(detectSpineVersion(binaryStream).version, (SpineVersion{3, 8, 25}));
}

TEST(DetectSpineVersionStream, TreatsAReadErrorLikeTheEndOfTheFile)
{
    const std::string head = R"({"skeleton":{"spine":"4.2.43"},"bones":[)";
    VirtualFileBuffer failing(head, ' ', kMiB, 8, 64);
    VersionDetection result;
    EXPECT_NO_THROW(result = detectVirtual(failing));
    EXPECT_EQ(result.version, (SpineVersion{4, 2, 43}));
    // An error within the first bulk read leaves nothing obtained: an empty file.
    VirtualFileBuffer early(head, ' ', kMiB, 8, 16);
    EXPECT_NO_THROW(result = detectVirtual(early));
    EXPECT_EQ(result.message, kSkelUnrecognized);
}

} // namespace
} // namespace kvx
