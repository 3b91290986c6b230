#pragma once
// Runs a program synchronously with a time limit and collects its merged output.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

struct ProcessRequest {
    std::filesystem::path program;
    std::vector<std::string> arguments; // UTF-8
    std::filesystem::path workingDirectory; // empty: the tool's own current directory
    int64_t timeout = 10000;                // milliseconds
    // Bytes of output kept; what comes later is read and dropped, so the child is never blocked.
    size_t outputLimit = SIZE_MAX;
};

struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    int32_t exitCode = -1;
    std::string output; // standard output and standard error, merged, undecoded
    bool outputCut = false; // more came than the request's outputLimit; output holds the first part
    std::string error;  // set only when the process could not be started
};

class IProcessRunner {
public:
    virtual ~IProcessRunner() = default;
    virtual ProcessResult run(const ProcessRequest &request) = 0;
};

// The platform's runner: Windows pipes and a kill-on-close job, or a POSIX process group.
std::unique_ptr<IProcessRunner> createProcessRunner();

// Windows command-line quoting, the inverse of CommandLineToArgvW's splitting.
std::u16string quoteArgument(std::u16string_view text);
std::u16string buildCommandLine(const ProcessRequest &request);

// Appends what was read to output up to the limit, and sets cut when some had to be dropped.
void keepOutput(std::string &output, bool &cut, std::string_view bytes, size_t limit);

// How long the runner waits for a terminated child, and bounds the drain past the time limit.
inline constexpr int64_t kProcessGraceMilliseconds = 1000;

} // namespace kvx
