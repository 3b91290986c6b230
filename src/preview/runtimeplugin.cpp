#include "preview/runtimeplugin.h"

#include "common/textcodec.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <optional>
#include <stdexcept>

namespace kvx {
namespace {

constexpr const char *kMissingAbi = "Runtime plugin does not expose the required Kovexa ABI.";
constexpr const char *kIncompatibleApi = "Runtime plugin API version is incompatible.";
constexpr const char *kNoMetadata = "Runtime plugin does not provide skeleton metadata capability.";
constexpr const char *kNoContext = "Runtime plugin could not create a context.";
constexpr const char *kLoadFailed = "Runtime plugin failed to load skeleton data.";
constexpr const char *kNoSkeletonInfo = "Runtime plugin failed to return skeleton metadata.";
constexpr const char *kUnconvertiblePath = "Skeleton or atlas path cannot be passed to the runtime plugin as UTF-8.";
constexpr const char *kNoPlayback = "Runtime plugin does not provide animation playback.";
constexpr const char *kNotSelected = "Animation could not be selected.";
constexpr const char *kNoDrawing = "Runtime plugin does not provide preview drawing.";
constexpr const char *kNotSampled = "Preview frame could not be sampled.";
constexpr const char *kInvalidCommand = "Runtime plugin returned an invalid draw command.";
constexpr const char *kNoSkinChoice = "Runtime plugin does not provide skin choice.";
constexpr const char *kSkinNotSet = "Skin could not be chosen.";
constexpr const char *kNoSkinCombination = "Runtime plugin does not combine skins.";
constexpr const char *kNoMeasuring = "Runtime plugin does not measure animations.";
constexpr const char *kNotMeasured = "Animation could not be measured.";
// A draw command count comes from the plugin: room is reserved for at most this many ahead, so that
// an absurd count fails on its first missing command instead of asking the allocator for gigabytes.
constexpr uint32_t kMostReservedAhead = 4096;
constexpr const char *kTooMuchData = "Runtime plugin returned more data than the preview can hold.";

// Plugins take UTF-8. POSIX paths are bytes already and pass unchanged; Windows paths are UTF-16
// and convert strictly, so an unpaired surrogate never reaches the plugin as a different path.
std::optional<std::string> utf8FromNative(const std::string &native)
{
    return native;
}

[[maybe_unused]] std::optional<std::string> utf8FromNative(const std::wstring &native)
{
    std::u16string wide;
    wide.reserve(native.size());
    for (const wchar_t unit : native)
        wide.push_back(static_cast<char16_t>(unit));
    return utf16ToUtf8Strict(wide);
}

std::string textOrEmpty(const char *text)
{
    return text ? std::string(text) : std::string();
}

template <typename Function>
Function lookUp(LibraryHandle library, const char *name)
{
    return reinterpret_cast<Function>(findLibrarySymbol(library, name));
}

// False when the record breaks the interface: no page, a page path that is not UTF-8, or an
// array that is null although its count is not zero.
bool copyDrawCommand(const kvxRuntimeDrawCommand &command, DrawItem &item)
{
    if (!command.texturePath)
        return false;
    if ((command.vertexCount != 0 && !command.vertices) || (command.indexCount != 0 && !command.indices))
        return false;
    std::optional<std::u16string> page = utf8ToUtf16Strict(command.texturePath);
    if (!page)
        return false;
    item.vertices.assign(command.vertices, command.vertices + command.vertexCount);
    item.indices.assign(command.indices, command.indices + command.indexCount);
    item.texturePath = std::move(*page);
    item.blendMode = command.blendMode;
    return true;
}

} // namespace

RuntimePlugin::~RuntimePlugin()
{
    unload();
}

bool RuntimePlugin::open(const std::filesystem::path &path, std::string &error)
{
    unload();
    library = openLibrary(path, error);
    if (!library)
        return false;
    getApiVersion = lookUp<kvxRuntimeGetApiVersionFn>(library, "kvxRuntimeGetApiVersion");
    getInfo = lookUp<kvxRuntimeGetInfoFn>(library, "kvxRuntimeGetInfo");
    if (!getApiVersion || !getInfo) {
        error = kMissingAbi;
        unload();
        return false;
    }
    if (getApiVersion() != KVX_RUNTIME_API_VERSION) {
        error = kIncompatibleApi;
        unload();
        return false;
    }
    lookUpOptionalExports();
    return true;
}

void RuntimePlugin::lookUpOptionalExports()
{
    create = lookUp<kvxRuntimeCreateFn>(library, "kvxRuntimeCreate");
    destroy = lookUp<kvxRuntimeDestroyFn>(library, "kvxRuntimeDestroy");
    load = lookUp<kvxRuntimeLoadFn>(library, "kvxRuntimeLoad");
    getSkeletonInfo = lookUp<kvxRuntimeGetSkeletonInfoFn>(library, "kvxRuntimeGetSkeletonInfo");
    getAnimationName = lookUp<kvxRuntimeGetAnimationNameFn>(library, "kvxRuntimeGetAnimationName");
    getAnimationDuration = lookUp<kvxRuntimeGetAnimationDurationFn>(library, "kvxRuntimeGetAnimationDuration");
    getSkinName = lookUp<kvxRuntimeGetSkinNameFn>(library, "kvxRuntimeGetSkinName");
    getLastError = lookUp<kvxRuntimeGetLastErrorFn>(library, "kvxRuntimeGetLastError");
    setAnimationFn = lookUp<kvxRuntimeSetAnimationFn>(library, "kvxRuntimeSetAnimation");
    update = lookUp<kvxRuntimeUpdateFn>(library, "kvxRuntimeUpdate");
    getDrawCommandCount = lookUp<kvxRuntimeGetDrawCommandCountFn>(library, "kvxRuntimeGetDrawCommandCount");
    getDrawCommand = lookUp<kvxRuntimeGetDrawCommandFn>(library, "kvxRuntimeGetDrawCommand");
    setSkinFn = lookUp<kvxRuntimeSetSkinFn>(library, "kvxRuntimeSetSkin");
    getAnimationBounds = lookUp<kvxRuntimeGetAnimationBoundsFn>(library, "kvxRuntimeGetAnimationBounds");
    getDrawCommandDarkColor = lookUp<kvxRuntimeGetDrawCommandDarkColorFn>(library, "kvxRuntimeGetDrawCommandDarkColor");
    setSkinsFn = lookUp<kvxRuntimeSetSkinsFn>(library, "kvxRuntimeSetSkins");
}

bool RuntimePlugin::hasMetadataCapability() const
{
    return create && destroy && load && getSkeletonInfo && getAnimationName && getAnimationDuration && getSkinName
        && getLastError;
}

std::string RuntimePlugin::lastErrorOr(const char *fallback) const
{
    const char *text = (context && getLastError) ? getLastError(context) : nullptr;
    return text ? std::string(text) : std::string(fallback);
}

SkeletonMetadata RuntimePlugin::loadSkeleton(const std::filesystem::path &skeletonPath,
                                             const std::filesystem::path &atlasPath, float scale, std::string &error)
{
    if (!hasMetadataCapability()) {
        error = kNoMetadata;
        return {};
    }
    // Converted before the old context goes, so a path the plugin cannot take changes nothing.
    const std::optional<std::string> skeletonText = utf8FromNative(skeletonPath.native());
    const std::optional<std::string> atlasText = utf8FromNative(atlasPath.native());
    if (!skeletonText || !atlasText) {
        error = kUnconvertiblePath;
        return {};
    }
    if (context)
        destroy(context);
    context = create();
    if (!context) {
        error = kNoContext;
        return {};
    }
    kvxRuntimeLoadRequest request{};
    request.structSize = sizeof(kvxRuntimeLoadRequest);
    request.skeletonPath = skeletonText->c_str();
    request.atlasPath = atlasText->c_str();
    request.scale = scale;
    if (load(context, &request) != 0) {
        error = lastErrorOr(kLoadFailed);
        return {};
    }
    return readMetadata(error);
}

SkeletonMetadata RuntimePlugin::readMetadata(std::string &error)
{
    kvxRuntimeSkeletonInfo info{};
    info.structSize = sizeof(kvxRuntimeSkeletonInfo);
    if (getSkeletonInfo(context, &info) != 0) {
        error = kNoSkeletonInfo;
        return {};
    }
    SkeletonMetadata metadata;
    try {
        metadata.animations.reserve(info.animationCount);
        for (uint32_t i = 0; i < info.animationCount; ++i) {
            AnimationInfo animation;
            animation.name = textOrEmpty(getAnimationName(context, i));
            animation.duration = getAnimationDuration(context, i);
            metadata.animations.push_back(std::move(animation));
        }
        metadata.skins.reserve(info.skinCount);
        for (uint32_t i = 0; i < info.skinCount; ++i)
            metadata.skins.push_back(textOrEmpty(getSkinName(context, i)));
    } catch (const std::bad_alloc &) {
        error = kTooMuchData;
        return {};
    } catch (const std::length_error &) {
        error = kTooMuchData;
        return {};
    }
    metadata.ok = true;
    return metadata;
}

bool RuntimePlugin::setAnimation(const std::string &name, bool loop, std::string &error)
{
    if (!context || !setAnimationFn) {
        error = kNoPlayback;
        return false;
    }
    if (setAnimationFn(context, name.c_str(), loop ? 1 : 0) == 0)
        return true;
    error = lastErrorOr(kNotSelected);
    return false;
}

PreviewFrame RuntimePlugin::sampleFrame(float deltaSeconds, std::string &error)
{
    if (!context || !update || !getDrawCommandCount || !getDrawCommand) {
        error = kNoDrawing;
        return {};
    }
    if (update(context, deltaSeconds) != 0) {
        error = lastErrorOr(kNotSampled);
        return {};
    }
    try {
        return copyDrawCommands(getDrawCommandCount(context), error);
    } catch (const std::bad_alloc &) {
        error = kTooMuchData;
    } catch (const std::length_error &) {
        error = kTooMuchData;
    }
    return {};
}

// Each command is copied right after the call that filled it: the plugin may reuse its buffers.
PreviewFrame RuntimePlugin::copyDrawCommands(uint32_t count, std::string &error)
{
    PreviewFrame frame;
    frame.items.reserve(std::min(count, kMostReservedAhead));
    for (uint32_t i = 0; i < count; ++i) {
        kvxRuntimeDrawCommand command{};
        command.structSize = sizeof(kvxRuntimeDrawCommand);
        DrawItem item;
        if (getDrawCommand(context, i, &command) != 0 || !copyDrawCommand(command, item)
            || (getDrawCommandDarkColor && getDrawCommandDarkColor(context, i, &item.darkColor) != 0)) {
            error = kInvalidCommand;
            return {};
        }
        item.darkColor &= 0x00FFFFFFu;
        frame.items.push_back(std::move(item));
    }
    frame.ok = true;
    return frame;
}

bool RuntimePlugin::setSkin(const std::string &name, std::string &error)
{
    if (!context || !setSkinFn) {
        error = kNoSkinChoice;
        return false;
    }
    if (setSkinFn(context, name.c_str()) == 0)
        return true;
    error = lastErrorOr(kSkinNotSet);
    return false;
}

bool RuntimePlugin::setSkins(const std::vector<std::string> &names, std::string &error)
{
    if (!context || !setSkinsFn) {
        error = kNoSkinCombination;
        return false;
    }
    std::vector<const char *> pointers;
    pointers.reserve(names.size());
    for (const std::string &name : names)
        pointers.push_back(name.c_str());
    if (setSkinsFn(context, pointers.data(), static_cast<uint32_t>(pointers.size())) == 0)
        return true;
    error = lastErrorOr(kSkinNotSet);
    return false;
}

std::optional<SkeletonBox> RuntimePlugin::animationBounds(const std::string &name, std::string &error)
{
    if (!context || !getAnimationBounds) {
        error = kNoMeasuring;
        return std::nullopt;
    }
    kvxRuntimeBounds bounds{};
    bounds.structSize = sizeof(kvxRuntimeBounds);
    if (getAnimationBounds(context, name.c_str(), &bounds) != 0) {
        error = lastErrorOr(kNotMeasured);
        return std::nullopt;
    }
    // A box the canvas cannot fit, or one without area, is no box: the first frame frames instead.
    const bool usable = std::isfinite(bounds.x) && std::isfinite(bounds.y) && std::isfinite(bounds.width)
                        && std::isfinite(bounds.height) && bounds.width > 0.0f && bounds.height > 0.0f;
    if (!usable) {
        error = kNotMeasured;
        return std::nullopt;
    }
    return SkeletonBox{bounds.x, bounds.y, bounds.width, bounds.height};
}

std::optional<size_t> RuntimePlugin::chooseInitialSkin(const std::vector<std::string> &skins,
                                                       const std::string &animation, std::string &error)
{
    if (!canChooseSkin() || skins.empty())
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + skinChoiceBudget();
    std::vector<double> areas;
    areas.reserve(skins.size());
    for (const std::string &skin : skins) {
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        const std::optional<double> area = trySkin(skin, animation, error);
        if (!area)
            return std::nullopt;
        areas.push_back(*area);
    }
    const size_t chosen = areas.size() == skins.size() ? initialSkinIndex(skins, areas) : fallbackSkinIndex(skins);
    if (!settleOnSkin(skins[chosen], animation, error))
        return std::nullopt;
    return chosen;
}

std::optional<double> RuntimePlugin::trySkin(const std::string &skin, const std::string &animation,
                                             std::string &error)
{
    if (!settleOnSkin(skin, animation, error))
        return std::nullopt;
    const PreviewFrame frame = sampleFrame(0.0f, error);
    return frame.ok ? drawnArea(frame.items) : 0.0;
}

bool RuntimePlugin::settleOnSkin(const std::string &skin, const std::string &animation, std::string &error)
{
    return setSkin(skin, error) && (animation.empty() || setAnimation(animation, true, error));
}

size_t fallbackSkinIndex(const std::vector<std::string> &skins)
{
    const auto named = std::find(skins.begin(), skins.end(), "default");
    return named == skins.end() ? 0 : static_cast<size_t>(named - skins.begin());
}

std::chrono::milliseconds skinChoiceBudget()
{
    constexpr std::chrono::milliseconds kBudget{1000};
    constexpr long kLongest = 3600L * 1000;
    const char *text = std::getenv("KVX_RUNTIME_SKIN_CHOICE_BUDGET_MS");
    if (!text || !*text)
        return kBudget;
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return *end == '\0' && value >= 0 && value <= kLongest ? std::chrono::milliseconds(value) : kBudget;
}

double drawnArea(const std::vector<DrawItem> &items)
{
    double area = 0.0;
    for (const DrawItem &item : items) {
        for (size_t k = 0; k + 2 < item.indices.size(); k += 3) {
            if (item.indices[k] >= item.vertices.size() || item.indices[k + 1] >= item.vertices.size()
                || item.indices[k + 2] >= item.vertices.size())
                continue;
            const kvxRuntimeVertex &a = item.vertices[item.indices[k]];
            const kvxRuntimeVertex &b = item.vertices[item.indices[k + 1]];
            const kvxRuntimeVertex &c = item.vertices[item.indices[k + 2]];
            const double doubled = (double(b.x) - a.x) * (double(c.y) - a.y) - (double(c.x) - a.x) * (double(b.y) - a.y);
            if (std::isfinite(doubled))
                area += std::fabs(doubled) / 2.0;
        }
    }
    return area;
}

size_t initialSkinIndex(const std::vector<std::string> &skins, const std::vector<double> &areas)
{
    const size_t count = std::min(skins.size(), areas.size());
    if (count == 0)
        return 0;
    size_t most = 0;
    for (size_t i = 1; i < count; ++i)
        if (areas[i] > areas[most])
            most = i;
    for (size_t i = 0; i < count; ++i)
        if (skins[i] == "default" && areas[i] >= areas[most])
            return i;
    return most;
}

void RuntimePlugin::unload()
{
    if (context && destroy)
        destroy(context);
    context = nullptr;
    getApiVersion = nullptr;
    getInfo = nullptr;
    create = nullptr;
    destroy = nullptr;
    load = nullptr;
    getSkeletonInfo = nullptr;
    getAnimationName = nullptr;
    getAnimationDuration = nullptr;
    getSkinName = nullptr;
    getLastError = nullptr;
    setAnimationFn = nullptr;
    update = nullptr;
    getDrawCommandCount = nullptr;
    getDrawCommand = nullptr;
    setSkinFn = nullptr;
    getAnimationBounds = nullptr;
    getDrawCommandDarkColor = nullptr;
    setSkinsFn = nullptr;
    if (library) {
        closeLibrary(library);
        library = nullptr;
    }
}

std::string runtimePluginFileName(const std::string &line)
{
    return "kvx-runtime-" + line + sharedLibrarySuffix();
}

} // namespace kvx
