#include "editor/processrunner.h"

#include "common/textcodec.h"

#include <type_traits>

namespace kvx {
namespace {

bool needsQuotes(std::u16string_view text)
{
    // An empty argument is quoted too, so that the child still receives it.
    return text.empty() || text.find_first_of(u" \t\"") != std::u16string_view::npos;
}

// Program paths are wide on Windows (copied unit for unit) and UTF-8 bytes elsewhere.
template <class NativeString>
std::u16string nativeToUtf16(const NativeString &native)
{
    if constexpr (std::is_same_v<NativeString, std::string>)
        return utf8ToUtf16Lenient(native);
    else
        return std::u16string(native.begin(), native.end());
}

} // namespace

std::u16string quoteArgument(std::u16string_view text)
{
    if (!needsQuotes(text))
        return std::u16string(text);
    std::u16string quoted = u"\"";
    size_t backslashes = 0;
    for (const char16_t c : text) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there they are doubled, and the quote escaped.
        const size_t count = c == u'"' ? 2 * backslashes + 1 : backslashes;
        quoted.append(count, u'\\');
        quoted.push_back(c);
        backslashes = 0;
    }
    quoted.append(2 * backslashes, u'\\');
    quoted.push_back(u'"');
    return quoted;
}

void keepOutput(std::string &output, bool &cut, std::string_view bytes, size_t limit)
{
    const size_t room = limit > output.size() ? limit - output.size() : 0;
    output.append(bytes.substr(0, room));
    if (bytes.size() > room)
        cut = true;
}

std::u16string buildCommandLine(const ProcessRequest &request)
{
    std::u16string commandLine = quoteArgument(nativeToUtf16(request.program.native()));
    for (const std::string &argument : request.arguments) {
        commandLine.push_back(u' ');
        commandLine += quoteArgument(utf8ToUtf16Lenient(argument));
    }
    return commandLine;
}

} // namespace kvx
