#include "editor/editorprobe.h"

#include <algorithm>
#include <system_error>

namespace kvx {
namespace {

// Every version pattern holds the word "Spine", so the regex only runs on windows around it: the
// standard library's matcher recurses once per character it consumes, and an output of megabytes
// in one match attempt would overflow a pool thread's stack.
constexpr std::string_view kAnchorWord = "Spine";
constexpr size_t kWindowCore = 512;   // the window's "Spine" starts in this stretch
constexpr size_t kWindowBefore = 64;  // room for "Launching:" and white space before "Spine"
constexpr size_t kWindowAfter = 512;  // room for the version and the edition line (or the next one)

struct OutputWindow {
    size_t begin = 0;
    size_t coreEnd = 0;
    size_t end = 0;
};

OutputWindow windowAround(std::string_view text, size_t anchor)
{
    const size_t begin = anchor > kWindowBefore ? anchor - kWindowBefore : 0;
    const size_t coreEnd = std::min(text.size(), anchor + kWindowCore);
    return {begin, coreEnd, std::min(text.size(), coreEnd + kWindowAfter)};
}

bool searchWindow(std::string_view text, OutputWindow window, const std::regex &pattern, std::cmatch &match)
{
    // Outside the window's start the text goes on: assertions there must not see a text start.
    const auto flags = window.begin > 0 ? std::regex_constants::match_prev_avail : std::regex_constants::match_default;
    if (!std::regex_search(text.data() + window.begin, text.data() + window.end, match, pattern, flags))
        return false;
    // A match starting past the core may run on beyond the window's end: the next window reads it whole.
    return window.begin + static_cast<size_t>(match.position(0)) < window.coreEnd;
}

bool isExistingRegularFile(const std::filesystem::path &path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::status(path, error));
}

void setOutcome(EditorProbeResult &result, ProbeStatus status, const char *message)
{
    result.status = status;
    result.message = message;
}

void classifyRecognizedRun(EditorProbeResult &result)
{
    if (result.timedOut)
        setOutcome(result, ProbeStatus::TimedOut, "Spine was detected, but the version probe timed out.");
    else if (result.exitCode != 0)
        setOutcome(result, ProbeStatus::Failed, "Spine was detected, but the process returned a failure code.");
    else
        setOutcome(result, ProbeStatus::Succeeded, "Spine CLI probe succeeded.");
}

} // namespace

const std::regex &launcherVersionPattern()
{
    static const std::regex pattern(R"(Spine Launcher\s+(\d+\.\d+(?:\.\d+)?))");
    return pattern;
}

const std::regex &editorVersionPattern()
{
    static const std::regex pattern(R"((?:Launching:|Starting:)\s*Spine\s+(\d+\.\d+(?:\.\d+)?)(?:\s+([^\r\n]+))?)");
    return pattern;
}

const std::regex &fallbackVersionPattern()
{
    static const std::regex pattern(R"(Spine\s+(\d+\.\d+(?:\.\d+)?)(?:\s+([^\r\n]+))?)");
    return pattern;
}

std::optional<SpineVersion> searchVersion(std::string_view text, const std::regex &pattern,
                                          std::string *editionTarget)
{
    std::cmatch match;
    bool found = false;
    for (size_t anchor = text.find(kAnchorWord); anchor != std::string_view::npos && !found;
         anchor = text.find(kAnchorWord, anchor + kWindowCore)) {
        found = searchWindow(text, windowAround(text, anchor), pattern, match);
    }
    if (!found)
        return std::nullopt;
    if (editionTarget && match.size() > 2)
        *editionTarget = match[2].matched ? match[2].str() : std::string();
    return parseSpineVersion(std::string_view(match[1].first, static_cast<size_t>(match[1].length())));
}

EditorProbeResult interpretProbeOutput(const std::filesystem::path &executable, const ProcessResult &run)
{
    EditorProbeResult result;
    result.executable = executable;
    result.timedOut = run.timedOut;
    result.exitCode = run.exitCode;
    result.output = run.output;
    if (!run.started) {
        result.status = ProbeStatus::Failed;
        result.message = run.error.empty() ? "Spine process could not be started." : run.error;
        return result;
    }
    result.launcherVersion = searchVersion(result.output, launcherVersionPattern(), nullptr);
    result.probedVersion = searchVersion(result.output, editorVersionPattern(), &result.probedEdition);
    if (!result.probedVersion)
        result.probedVersion = searchVersion(result.output, fallbackVersionPattern(), &result.probedEdition);
    if (!result.launcherVersion && !result.probedVersion)
        setOutcome(result, ProbeStatus::NotRecognized, "Process started, but its output was not recognized as Spine.");
    else
        classifyRecognizedRun(result);
    return result;
}

EditorProbeResult probeSpineEditor(IProcessRunner &runner, const std::filesystem::path &executable, int64_t timeout)
{
    if (!isExistingRegularFile(executable)) {
        EditorProbeResult missing;
        missing.executable = executable;
        setOutcome(missing, ProbeStatus::Missing, "Spine executable does not exist.");
        return missing;
    }
    ProcessRequest request;
    request.program = executable;
    request.arguments = {"--version"};
    request.workingDirectory = executable.parent_path();
    request.timeout = timeout;
    request.outputLimit = kEditorProbeOutputLimit;
    return interpretProbeOutput(executable, runner.run(request));
}

} // namespace kvx
