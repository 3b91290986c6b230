// Environment settings and the invocation log of the stand-in editor (tests and demos only).

#include "standin.h"

#include "assets/spineversion.h"
#include "editor/editordiscovery.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kvx::standin {
namespace {

// One invocation is one line, whatever its arguments hold.
std::string logged(const std::string &argument)
{
    std::string text;
    for (const char c : argument) {
        if (c == '\t')
            text += "\\t";
        else if (c == '\n')
            text += "\\n";
        else if (c == '\r')
            text += "\\r";
        else
            text += c;
    }
    return text;
}

} // namespace

std::optional<std::string> environmentValue(const char *name)
{
    const char *value = std::getenv(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

std::string environmentText(const char *name)
{
    return environmentValue(name).value_or(std::string());
}

bool environmentFlag(const char *name)
{
    const std::string value = environmentText(name);
    return !value.empty() && value != "0";
}

void logInvocation(const std::vector<std::string> &arguments)
{
    const std::string logFile = environmentText("KVX_STANDIN_LOG");
    if (logFile.empty())
        return;
    std::string line;
    for (size_t i = 0; i < arguments.size(); ++i)
        line += (i == 0 ? "" : "\t") + logged(arguments[i]);
    line += '\n';
    // A single write in append mode keeps lines of concurrent invocations whole.
    if (std::FILE *log = std::fopen(logFile.c_str(), "ab")) {
        std::fwrite(line.data(), 1, line.size(), log);
        std::fclose(log);
    }
}

void recordProcessId()
{
    const std::string file = environmentText("KVX_STANDIN_PID_FILE");
    if (file.empty())
        return;
    const std::string line = std::to_string(currentProcessId()) + "\n";
    if (std::FILE *out = std::fopen(file.c_str(), "ab")) {
        std::fwrite(line.data(), 1, line.size(), out);
        std::fclose(out);
    }
}

bool versionIsCached(const std::string &version)
{
    const std::optional<SpineVersion> parsed = parseSpineVersion(version);
    return parsed && isEditorVersionCached(*parsed);
}

#ifndef KVX_STANDIN_WITH_IMAGES
// Without Qt there is nothing to read or write images with.
namespace {
int noImageSupport(const char *command)
{
    std::fprintf(stderr, "Spine stand-in (tests and demos only): this build has no image support for %s\n", command);
    return 4;
}
} // namespace

int runUnpackCommand(const std::string &, const std::string &, const std::string &, const std::string &)
{
    return noImageSupport("unpacking");
}

int runImportCommand(const std::string &, const std::string &, const std::string &, const std::string &)
{
    return noImageSupport("importing");
}
#endif

} // namespace kvx::standin
