#pragma once
// The host side of the runtime plugin interface: one library, at most one context.

#include "preview/dynamiclibrary.h"
#include "preview/kvxruntime.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kvx {

struct AnimationInfo {
    std::string name; // UTF-8; empty when the plugin returned null
    float duration = 0.0f;
};

struct SkeletonMetadata {
    bool ok = false;
    std::vector<AnimationInfo> animations;
    std::vector<std::string> skins;
};

struct DrawItem {
    std::vector<kvxRuntimeVertex> vertices;
    std::vector<uint16_t> indices;
    std::u16string texturePath;
    int32_t blendMode = 0;
    uint32_t darkColor = 0; // 0x00RRGGBB, the two-colour tint's dark colour; black for none
};

struct PreviewFrame {
    bool ok = false;
    std::vector<DrawItem> items; // back to front
};

// An axis-aligned box in skeleton space, y down.
struct SkeletonBox {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
};

// How much a frame draws: the summed area of its triangles, in square skeleton units. Overlaps
// count twice; what matters is comparing skins of one skeleton.
double drawnArea(const std::vector<DrawItem> &items);

// The skin to show first, given each skin's drawn area at the first frame: the default skin
// when it draws as much as any other single skin, otherwise the one that draws the most (the
// earlier on a tie). skins and areas run in parallel; 0 for an empty list.
size_t initialSkinIndex(const std::vector<std::string> &skins, const std::vector<double> &areas);

// The skin shown when the choice runs out of time: "default", or the first skin without one.
size_t fallbackSkinIndex(const std::vector<std::string> &skins);

// How long the whole choice of the first skin may take: one second, however many skins there
// are. KVX_RUNTIME_SKIN_CHOICE_BUDGET_MS overrides it in tests (0: straight to the fallback).
std::chrono::milliseconds skinChoiceBudget();

class RuntimePlugin {
public:
    RuntimePlugin() = default;
    ~RuntimePlugin();
    RuntimePlugin(const RuntimePlugin &) = delete;
    RuntimePlugin &operator=(const RuntimePlugin &) = delete;

    // Error texts are assigned only on failure.
    bool open(const std::filesystem::path &path, std::string &error);
    SkeletonMetadata loadSkeleton(const std::filesystem::path &skeletonPath,
                                  const std::filesystem::path &atlasPath, float scale, std::string &error);
    bool setAnimation(const std::string &name, bool loop, std::string &error);
    PreviewFrame sampleFrame(float deltaSeconds, std::string &error);
    // Optional capabilities: false from the setters when the plugin lacks them.
    bool canChooseSkin() const { return setSkinFn != nullptr; }
    bool canMeasureAnimations() const { return getAnimationBounds != nullptr; }
    bool reportsDarkColours() const { return getDrawCommandDarkColor != nullptr; }
    bool canCombineSkins() const { return setSkinsFn != nullptr; }
    bool setSkin(const std::string &name, std::string &error);
    // The named skins combined in order (one name is setSkin); false without the capability.
    bool setSkins(const std::vector<std::string> &names, std::string &error);
    std::optional<SkeletonBox> animationBounds(const std::string &name, std::string &error);
    // Tries every skin at the first frame of the selected animation (or the setup pose) and
    // leaves the plugin on the one initialSkinIndex picks, returning its index; the animation is
    // selected again afterwards so playback starts over. Once skinChoiceBudget has run out no
    // further skin is tried and the plugin is left on fallbackSkinIndex. Empty without skin
    // choice or when the plugin fails.
    std::optional<size_t> chooseInitialSkin(const std::vector<std::string> &skins, const std::string &animation,
                                            std::string &error);
    void unload();

    bool isLoaded() const { return library != nullptr; }
    bool hasContext() const { return context != nullptr; }

private:
    void lookUpOptionalExports();
    bool hasMetadataCapability() const;
    // The plugin's text for the last failure on the context, or the fallback when it has none.
    std::string lastErrorOr(const char *fallback) const;
    SkeletonMetadata readMetadata(std::string &error);
    PreviewFrame copyDrawCommands(uint32_t count, std::string &error);
    // Shows the skin at the animation's first frame (or the setup pose) and returns what it draws.
    std::optional<double> trySkin(const std::string &skin, const std::string &animation, std::string &error);
    bool settleOnSkin(const std::string &skin, const std::string &animation, std::string &error);

    LibraryHandle library = nullptr;
    kvxRuntimeGetApiVersionFn getApiVersion = nullptr;
    kvxRuntimeGetInfoFn getInfo = nullptr;
    kvxRuntimeCreateFn create = nullptr;
    kvxRuntimeDestroyFn destroy = nullptr;
    kvxRuntimeLoadFn load = nullptr;
    kvxRuntimeGetSkeletonInfoFn getSkeletonInfo = nullptr;
    kvxRuntimeGetAnimationNameFn getAnimationName = nullptr;
    kvxRuntimeGetAnimationDurationFn getAnimationDuration = nullptr;
    kvxRuntimeGetSkinNameFn getSkinName = nullptr;
    kvxRuntimeGetLastErrorFn getLastError = nullptr;
    kvxRuntimeSetAnimationFn setAnimationFn = nullptr;
    kvxRuntimeUpdateFn update = nullptr;
    kvxRuntimeGetDrawCommandCountFn getDrawCommandCount = nullptr;
    kvxRuntimeGetDrawCommandFn getDrawCommand = nullptr;
    kvxRuntimeSetSkinFn setSkinFn = nullptr;
    kvxRuntimeGetAnimationBoundsFn getAnimationBounds = nullptr;
    kvxRuntimeGetDrawCommandDarkColorFn getDrawCommandDarkColor = nullptr;
    kvxRuntimeSetSkinsFn setSkinsFn = nullptr;
    kvxRuntimeContext context = nullptr;
};

// "kvx-runtime-<line>.dll" on Windows, ".so" elsewhere.
std::string runtimePluginFileName(const std::string &line);

} // namespace kvx
