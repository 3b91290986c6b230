// The version probe against an editor printing "Spine" without end: the whole output kept and
// searched (the old way) beside the bounded output the probe keeps now.
//
// usage: kvx-bench-editor-probeoutput [time limit in milliseconds, default 1000]

#include "editor/editorprobe.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Figures {
    double milliseconds = 0;
    size_t keptBytes = 0;
};

Figures probeOnce(size_t outputLimit, int64_t timeout)
{
    kvx::ProcessRequest request;
    request.program = KVX_STANDIN_EDITOR_PATH;
    request.arguments = {"--version"};
    request.timeout = timeout;
    request.outputLimit = outputLimit;
    const auto start = std::chrono::steady_clock::now();
    const kvx::ProcessResult run = kvx::createProcessRunner()->run(request);
    const kvx::EditorProbeResult result = kvx::interpretProbeOutput(request.program, run);
    const auto end = std::chrono::steady_clock::now();
    return {std::chrono::duration<double, std::milli>(end - start).count(), result.output.size()};
}

} // namespace

int main(int argc, char **argv)
{
    const int64_t timeout = argc > 1 ? std::atoll(argv[1]) : 1000;
    setenv("KVX_STANDIN_MODE", "endless", 1);
    setenv("KVX_STANDIN_OUTPUT", "Spine", 1);
    const Figures whole = probeOnce(SIZE_MAX, timeout);
    const Figures bounded = probeOnce(kvx::kEditorProbeOutputLimit, timeout);
    std::printf("editor printing \"Spine\" without end, time limit %lld ms\n", static_cast<long long>(timeout));
    std::printf("%-22s %12s %16s\n", "", "ms", "output kept");
    std::printf("%-22s %12.1f %16zu\n", "whole output (old)", whole.milliseconds, whole.keptBytes);
    std::printf("%-22s %12.1f %16zu\n", "bounded output (new)", bounded.milliseconds, bounded.keptBytes);
    std::printf("ratio old/new: time %.1f, memory %.0f\n", whole.milliseconds / bounded.milliseconds,
                static_cast<double>(whole.keptBytes) / static_cast<double>(bounded.keptBytes));
    return 0;
}
