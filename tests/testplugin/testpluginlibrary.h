#pragma once
// The test side of the test plugin: opens a variant's file to reach its control block.

#include "preview/dynamiclibrary.h"
#include "testplugin/testplugincontrol.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace kvx::test {

// The file of a test plugin variant: "full", "required", "metadata", "playback", "drawing", "singleskin"
// (skin choice without combined skins), "noinfo", "api2".
inline std::filesystem::path testPluginPath(const std::string &variant)
{
    return std::filesystem::path(KVX_TEST_PLUGIN_DIR) / ("kvx-testplugin-" + variant + sharedLibrarySuffix());
}

class TestPluginLibrary {
public:
    // Opens the library and resets its control block to the defaults.
    explicit TestPluginLibrary(const std::filesystem::path &file) : handle(openLibrary(file, openError))
    {
        if (!handle)
            return;
        block = reinterpret_cast<kvxTestPluginControlFn>(findLibrarySymbol(handle, "kvxTestPluginControl"))();
        reset();
    }
    ~TestPluginLibrary() { closeLibrary(handle); }
    TestPluginLibrary(const TestPluginLibrary &) = delete;
    TestPluginLibrary &operator=(const TestPluginLibrary &) = delete;

    bool isOpen() const { return block != nullptr; }
    const std::string &error() const { return openError; }
    testplugin::Control &control() const { return *block; }

    void reset() const { reinterpret_cast<kvxTestPluginResetFn>(findLibrarySymbol(handle, "kvxTestPluginReset"))(); }
    void clearCalls() const { block->callCount = 0; }

    std::vector<testplugin::CallRecord> calls() const
    {
        const uint32_t count = block->callCount < testplugin::kMaxCalls ? block->callCount : testplugin::kMaxCalls;
        return std::vector<testplugin::CallRecord>(block->calls, block->calls + count);
    }
    std::vector<testplugin::Call> callSequence() const
    {
        std::vector<testplugin::Call> sequence;
        for (const testplugin::CallRecord &entry : calls())
            sequence.push_back(entry.call);
        return sequence;
    }
    std::vector<testplugin::CallRecord> callsOf(testplugin::Call call) const
    {
        std::vector<testplugin::CallRecord> matching;
        for (const testplugin::CallRecord &entry : calls()) {
            if (entry.call == call)
                matching.push_back(entry);
        }
        return matching;
    }

    // Configuration shorthands.
    void setAnimations(const std::vector<std::pair<std::string, float>> &animations) const
    {
        block->animationCount = static_cast<uint32_t>(animations.size());
        for (size_t i = 0; i < animations.size() && i < testplugin::kMaxAnimations; ++i) {
            copy(block->animationNames[i], testplugin::kNameSize, animations[i].first);
            block->animationDurations[i] = animations[i].second;
        }
    }
    void setSkins(const std::vector<std::string> &skins) const
    {
        block->skinCount = static_cast<uint32_t>(skins.size());
        for (size_t i = 0; i < skins.size() && i < testplugin::kMaxSkins; ++i)
            copy(block->skinNames[i], testplugin::kNameSize, skins[i]);
    }
    void setLastError(const std::string &text) const { copy(block->lastError, testplugin::kTextSize, text); }
    void setRejectedAnimation(const std::string &name) const
    {
        copy(block->rejectedAnimation, testplugin::kNameSize, name);
    }
    // Command slot i: the vertices, the indices, the page and the blend mode.
    testplugin::Command &setCommand(uint32_t i, const std::vector<kvxRuntimeVertex> &vertices,
                                    const std::vector<uint16_t> &indices, const std::string &page,
                                    int32_t blendMode = 0) const
    {
        testplugin::Command &command = block->commands[i];
        command.vertexCount = static_cast<uint32_t>(vertices.size());
        // An empty vector's data() may be null, which memcpy must not be given even for no bytes.
        if (!vertices.empty())
            std::memcpy(command.vertices, vertices.data(), vertices.size() * sizeof(kvxRuntimeVertex));
        command.indexCount = static_cast<uint32_t>(indices.size());
        if (!indices.empty())
            std::memcpy(command.indices, indices.data(), indices.size() * sizeof(uint16_t));
        copy(command.texturePath, testplugin::kTextSize, page);
        command.blendMode = blendMode;
        return command;
    }

private:
    static void copy(char *target, uint32_t size, const std::string &text)
    {
        std::strncpy(target, text.c_str(), size - 1);
        target[size - 1] = '\0';
    }

    std::string openError;
    LibraryHandle handle = nullptr;
    testplugin::Control *block = nullptr;
};

} // namespace kvx::test
