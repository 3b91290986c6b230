// The skeleton head readers on arbitrary bytes, through the stream overload. Heads that go to the
// JSON reader and are small enough for std::regex are also checked against the patterns themselves.

#include "assets/referencepatterns.h"
#include "assets/versiondetection.h"
#include "fuzz/fuzzcheck.h"

#include <sstream>
#include <string>

namespace {

// The backtracking matcher recurses per character; beyond this it could overflow the stack.
constexpr size_t kReferenceLimit = 2048;

bool goesToJsonReader(const std::string &bytes)
{
    const size_t first = bytes.find_first_not_of("\t\n\r ");
    return first != std::string::npos && bytes[first] == '{';
}

void checkConsistency(const kvx::VersionDetection &result)
{
    using kvx::DetectionStatus;
    KVX_FUZZ_CHECK(result.format != kvx::SkeletonFormat::Unknown);
    KVX_FUZZ_CHECK(result.status != DetectionStatus::OpenFailed);
    const bool hasVersion = result.status == DetectionStatus::Supported || result.status == DetectionStatus::Unsupported;
    KVX_FUZZ_CHECK(result.version.has_value() == hasVersion);
    if (result.version)
        KVX_FUZZ_CHECK(kvx::isSupportedSpineVersion(*result.version) == (result.status == DetectionStatus::Supported));
    KVX_FUZZ_CHECK(!result.message.empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    std::istringstream stream(bytes, std::ios::binary);
    const kvx::VersionDetection result = kvx::detectSpineVersion(stream);
    checkConsistency(result);
    const bool json = goesToJsonReader(bytes);
    KVX_FUZZ_CHECK((result.format == kvx::SkeletonFormat::Json) == json);
    if (json && size <= kReferenceLimit) {
        const kvx::VersionDetection expected = kvx::test::referenceJsonDetection(bytes);
        KVX_FUZZ_CHECK(result.status == expected.status);
        KVX_FUZZ_CHECK(result.message == expected.message);
        KVX_FUZZ_CHECK(result.version == expected.version);
    }
    return 0;
}
