#include "common/failure.h"

namespace kvx {

std::string_view englishSentence(FailureKind kind)
{
    switch (kind) {
#define KVX_FAILURE(name, english)                                                                  \
    case FailureKind::name:                                                                         \
        return english;
#include "common/failurekinds.def"
#undef KVX_FAILURE
    }
    return "Unexpected failure.";
}

std::string pathDetail(const std::filesystem::path &path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string systemMessage(const std::error_code &error)
{
    return error ? error.message() : std::string();
}

std::string englishText(const Failure &failure)
{
    std::string text(englishSentence(failure.kind));
    if (!failure.detail.empty())
        text += ' ' + failure.detail;
    if (failure.systemError) {
        text += failure.detail.empty() ? " " : ": ";
        text += systemMessage(failure.systemError);
    }
    return text;
}

} // namespace kvx
