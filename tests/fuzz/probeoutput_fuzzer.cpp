// The interpretation of an editor's "--version" run on arbitrary output. The first byte sets the
// run flags, the next four the exit code; the rest is the captured output.

#include "editor/editorprobe.h"
#include "fuzz/fuzzcheck.h"

#include <cstring>

namespace {

kvx::ProcessResult runFrom(const uint8_t *data, size_t size)
{
    kvx::ProcessResult run;
    if (size < 5)
        return run;
    run.started = (data[0] & 1) != 0;
    run.timedOut = (data[0] & 2) != 0;
    std::memcpy(&run.exitCode, data + 1, sizeof run.exitCode);
    run.output.assign(reinterpret_cast<const char *>(data + 5), size - 5);
    if (!run.started && (data[0] & 4) != 0)
        run.error = "could not start";
    return run;
}

void checkStatus(const kvx::EditorProbeResult &result, const kvx::ProcessResult &run)
{
    using kvx::ProbeStatus;
    if (!run.started) {
        KVX_FUZZ_CHECK(result.status == ProbeStatus::Failed);
        KVX_FUZZ_CHECK(!result.probedVersion && !result.launcherVersion);
        return;
    }
    if (!result.launcherVersion && !result.probedVersion)
        KVX_FUZZ_CHECK(result.status == ProbeStatus::NotRecognized);
    else if (run.timedOut)
        KVX_FUZZ_CHECK(result.status == ProbeStatus::TimedOut);
    else if (run.exitCode != 0)
        KVX_FUZZ_CHECK(result.status == ProbeStatus::Failed);
    else
        KVX_FUZZ_CHECK(result.status == ProbeStatus::Succeeded);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const kvx::ProcessResult run = runFrom(data, size);
    const kvx::EditorProbeResult result = kvx::interpretProbeOutput("/opt/Spine/Spine.sh", run);
    KVX_FUZZ_CHECK(result.output == run.output);
    KVX_FUZZ_CHECK(result.timedOut == run.timedOut && result.exitCode == run.exitCode);
    KVX_FUZZ_CHECK(!result.message.empty());
    checkStatus(result, run);
    return 0;
}
