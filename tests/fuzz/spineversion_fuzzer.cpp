// The version parser on arbitrary bytes: whatever it accepts prints back to the same record.

#include "assets/spineversion.h"
#include "fuzz/fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::optional<kvx::SpineVersion> version = kvx::parseSpineVersion(text);
    if (!version)
        return 0;
    KVX_FUZZ_CHECK(kvx::parseSpineVersion(version->fullText()) == version);
    const kvx::SpineVersion line{version->major, version->minor, std::nullopt};
    KVX_FUZZ_CHECK(kvx::parseSpineVersion(version->majorMinorText()) == line);
    if (kvx::isSupportedSpineVersion(*version))
        KVX_FUZZ_CHECK(version->major == 3 || version->major == 4);
    return 0;
}
