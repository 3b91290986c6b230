#pragma once
// Behaviour shared by the stand-in's unpack and import commands (tests and demos only).

#include "standin.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

namespace kvx::standin {

inline std::optional<long> environmentNumber(const char *name)
{
    const std::string text = environmentText(name);
    if (text.empty())
        return std::nullopt;
    char *end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0')
        return std::nullopt;
    return value;
}

// KVX_STANDIN_DELAY_MS: wait before working, so that a test can stop the run half way.
inline void delayBeforeWork()
{
    if (const std::optional<long> delay = environmentNumber("KVX_STANDIN_DELAY_MS"); delay && *delay > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(*delay));
}

// KVX_STANDIN_FAIL_FLOOD_BYTES: filler printed before the failure's output; a negative count
// prints without end, so the command never finishes.
inline void floodBeforeFailure()
{
    const std::optional<long> bytes = environmentNumber("KVX_STANDIN_FAIL_FLOOD_BYTES");
    if (!bytes || *bytes == 0)
        return;
    const std::string chunk(65536, 'x');
    for (long left = *bytes; *bytes < 0 || left > 0;) {
        const size_t count = (*bytes < 0 || left >= static_cast<long>(chunk.size())) ? chunk.size()
                                                                                      : static_cast<size_t>(left);
        if (std::fwrite(chunk.data(), 1, count, stdout) != count)
            return; // the reader went away
        left -= static_cast<long>(count);
    }
}

// KVX_STANDIN_FAIL_CODE (with KVX_STANDIN_FAIL_STAGE naming "unpack" or "import", both when unset):
// prints KVX_STANDIN_FAIL_OUTPUT and gives the exit code the command is to end with.
inline std::optional<int> requestedFailure(const char *command)
{
    const std::optional<long> code = environmentNumber("KVX_STANDIN_FAIL_CODE");
    const std::string stage = environmentText("KVX_STANDIN_FAIL_STAGE");
    if (!code || (!stage.empty() && stage != command))
        return std::nullopt;
    floodBeforeFailure();
    const std::string output = environmentText("KVX_STANDIN_FAIL_OUTPUT");
    std::fwrite(output.data(), 1, output.size(), stdout);
    std::fflush(stdout);
    return static_cast<int>(*code);
}

} // namespace kvx::standin
