// The stand-in editor's "--version" (tests and demos only): prints what a test asks for.

#include "standin.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace kvx::standin {
namespace {

constexpr char kDefaultOutput[] = "Spine Launcher 4.2.11\nStarting: Spine 4.2.43 Professional\n";
constexpr long long kDefaultFloodBytes = 10'000'000;
constexpr auto kLingerTime = std::chrono::seconds(20);

long long numberOr(const char *name, long long fallback)
{
    const std::string text = environmentText(name);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty() ? value : fallback;
}

void write(std::FILE *stream, const std::string &text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

// Filler without line breaks, so that the byte count is exact whatever the stream's mode.
void flood(long long bytes)
{
    const std::string chunk(65536, 'x');
    for (long long left = bytes; left > 0;) {
        const size_t count = left < static_cast<long long>(chunk.size()) ? static_cast<size_t>(left) : chunk.size();
        std::fwrite(chunk.data(), 1, count, stdout);
        left -= static_cast<long long>(count);
    }
}

// Prints the text over and over until the process is ended (or its reader goes away).
[[noreturn]] void repeatForever(const std::string &text)
{
    const std::string unit = text.empty() ? std::string("Spine ") : text;
    for (;;)
        std::fwrite(unit.data(), 1, unit.size(), stdout);
}

} // namespace

int runVersionCommand()
{
    const std::string mode = environmentText("KVX_STANDIN_MODE");
    if (mode == "endless")
        repeatForever(environmentValue("KVX_STANDIN_OUTPUT").value_or(kDefaultOutput));
    write(stdout, environmentValue("KVX_STANDIN_OUTPUT").value_or(kDefaultOutput));
    if (mode == "flood")
        flood(numberOr("KVX_STANDIN_FLOOD_BYTES", kDefaultFloodBytes));
    // Everything printed must be in the pipe before a test's time limit can strike, and in the
    // order written.
    std::fflush(stdout);
    write(stderr, environmentText("KVX_STANDIN_STDERR"));
    std::fflush(stderr);
    if (mode == "grandchild" && !spawnLingeringChild()) {
        std::fprintf(stderr, "Spine stand-in (tests and demos only): could not start the lingering child\n");
        return 5;
    }
    if (const long long delay = numberOr("KVX_STANDIN_DELAY_MS", 0); delay > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    return static_cast<int>(numberOr("KVX_STANDIN_EXIT_CODE", 0));
}

int runLingeringChild()
{
    std::this_thread::sleep_for(kLingerTime);
    return 0;
}

} // namespace kvx::standin
