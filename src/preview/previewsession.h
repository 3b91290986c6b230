#pragma once
// One skeleton in one runtime plugin context, posed on request: what the window's preview thread,
// the render path and the exports all drive. Used from one thread at a time.

#include "common/failure.h"
#include "preview/runtimeplugin.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kvx {

struct PreviewSource {
    std::filesystem::path plugin; // the plugin library of the skeleton's line
    std::filesystem::path skeleton;
    std::filesystem::path atlas;
};

struct LoadedSkeleton {
    std::vector<AnimationInfo> animations;
    std::vector<std::string> skins;
    // The skin shown first, when there are several and the plugin can switch them; the plugin is on
    // it already.
    std::optional<size_t> initialSkin;
    std::optional<Failure> skinChoiceFailure; // why the skins cannot be offered after all
    bool canCombineSkins = false;              // several skins can be shown combined
    bool canMeasure = false;
    bool canChooseSkin = false;
};

// Whether a load settles on the skin the window shows first (every skin tried, within its budget)
// or leaves the runtime on its own default, for callers that choose the skin themselves.
enum class FirstSkin { Choose, Leave };

class PreviewSession {
public:
    Result<LoadedSkeleton> load(const PreviewSource &source, FirstSkin firstSkin = FirstSkin::Choose);
    // The animation from its start, advanced by the seconds in one step.
    Result<PreviewFrame> select(const std::string &animation, bool loop, float seconds = 0.0f);
    Result<PreviewFrame> advance(float seconds);
    // The current pose again with the skin's attachments; the animation goes on where it was.
    Result<PreviewFrame> chooseSkin(const std::string &skin);
    // The same with the skins combined in their order; one skin is chooseSkin.
    Result<PreviewFrame> chooseSkins(const std::vector<std::string> &skins);
    Result<SkeletonBox> measure(const std::string &animation);
    void unload();

    bool isLoaded() const { return loaded; }

private:
    RuntimePlugin plugin;
    bool loaded = false;
};

} // namespace kvx
