// The atlas text parser and the integer-list parser on arbitrary bytes.

#include "assets/atlasreader.h"
#include "fuzz/fuzzcheck.h"

#include <algorithm>
#include <string>

namespace {

bool isCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A name line: non-empty, trimmed, one line, no colon.
bool isNameLine(const std::string &name)
{
    return !name.empty() && !isCSpace(name.front()) && !isCSpace(name.back()) &&
           name.find_first_of("\n:") == std::string::npos;
}

void checkAtlas(const kvx::AtlasReadResult &result, std::string_view text)
{
    KVX_FUZZ_CHECK(result.ok == result.error.empty());
    if (!result.ok) {
        KVX_FUZZ_CHECK(result.pages.empty() && result.warnings.empty());
        const auto lines = static_cast<int64_t>(std::count(text.begin(), text.end(), '\n')) + 1;
        KVX_FUZZ_CHECK(result.errorLine >= 0 && result.errorLine <= lines);
        return;
    }
    KVX_FUZZ_CHECK(result.errorLine == 0 && !result.pages.empty());
    for (const kvx::AtlasPage &page : result.pages) {
        KVX_FUZZ_CHECK(isNameLine(page.rawName) && !page.name.empty());
        for (const kvx::AtlasRegion &region : page.regions)
            KVX_FUZZ_CHECK(isNameLine(region.name));
    }
}

void checkIntList(std::string_view text)
{
    const std::optional<std::vector<int32_t>> values = kvx::parseIntList(text);
    if (!values)
        return;
    std::string joined;
    for (const int32_t value : *values)
        joined += std::to_string(value) + ',';
    KVX_FUZZ_CHECK(kvx::parseIntList(joined) == values);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    checkAtlas(kvx::parseAtlasText(text), text);
    checkIntList(text.substr(0, std::min<size_t>(text.size(), 256)));
    return 0;
}
