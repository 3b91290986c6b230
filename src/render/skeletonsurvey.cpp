#include "render/skeletonsurvey.h"

#include <algorithm>

namespace kvx {
namespace {

// At most this many names are listed in a message; a skeleton may have thousands.
constexpr std::size_t kListedNames = 50;

std::string quoted(const std::string &name)
{
    return "\"" + name + "\"";
}

std::string unknownDetail(const std::string &asked, const std::vector<std::string> &available, const char *plural)
{
    std::string detail = quoted(asked) + " (";
    if (available.empty())
        return detail + "it has no " + plural + ")";
    detail += "it has ";
    for (std::size_t i = 0; i < available.size() && i < kListedNames; ++i)
        detail += (i ? ", " : "") + quoted(available[i]);
    if (available.size() > kListedNames)
        detail += " and " + std::to_string(available.size() - kListedNames) + " more";
    return detail + ")";
}

std::vector<std::string> animationNames(const LoadedSkeleton &skeleton)
{
    std::vector<std::string> names;
    for (const AnimationInfo &animation : skeleton.animations)
        names.push_back(animation.name);
    return names;
}

Result<std::vector<AnimationInfo>> chooseAnimations(const LoadedSkeleton &skeleton, const NameChoice &choice)
{
    if (choice.all)
        return skeleton.animations;
    if (choice.names.empty()) {
        if (skeleton.animations.empty())
            return std::vector<AnimationInfo>{};
        return std::vector<AnimationInfo>{skeleton.animations.front()};
    }
    std::vector<AnimationInfo> chosen;
    for (const std::string &name : choice.names) {
        const auto found = std::find_if(skeleton.animations.begin(), skeleton.animations.end(),
                                        [&](const AnimationInfo &animation) { return animation.name == name; });
        if (found == skeleton.animations.end())
            return failure(FailureKind::AnimationUnknown, unknownDetail(name, animationNames(skeleton), "animations"));
        chosen.push_back(*found);
    }
    return chosen;
}

// Whether the skin draws anything at the first frame of the animation (or the setup pose).
Result<bool> skinDraws(PreviewSession &session, const std::string &skin, const std::vector<AnimationInfo> &animations)
{
    Result<PreviewFrame> frame = session.chooseSkin(skin);
    if (frame && !animations.empty())
        frame = session.select(animations.front().name, true, 0.0f);
    if (!frame)
        return frame.failure();
    return drawnArea(frame->items) > 0.0;
}

Result<std::vector<SkinSet>> chooseSkins(PreviewSession &session, const LoadedSkeleton &skeleton,
                                         const SurveyRequest &request, const std::vector<AnimationInfo> &animations)
{
    using Skins = std::vector<SkinSet>;
    const NameChoice &choice = request.skins;
    for (const std::string &name : choice.names) {
        if (std::find(skeleton.skins.begin(), skeleton.skins.end(), name) == skeleton.skins.end())
            return failure(FailureKind::SkinUnknown, unknownDetail(name, skeleton.skins, "skins"));
    }
    if (skeleton.skins.size() < 2)
        return Skins{SkinSet{}};
    if (!skeleton.canChooseSkin && (choice.all || !choice.names.empty()))
        return failure(FailureKind::SkinNotChosen, "the runtime plugin cannot switch skins");
    if (!skeleton.canChooseSkin)
        return Skins{SkinSet{}}; // the runtime's own
    if (request.combineSkins && choice.names.size() > 1) {
        if (!skeleton.canCombineSkins)
            return failure(FailureKind::SkinNotChosen, "the runtime plugin cannot combine skins");
        return Skins{choice.names};
    }
    if (!choice.names.empty()) {
        Skins each;
        for (const std::string &name : choice.names)
            each.push_back(SkinSet{name});
        return each;
    }
    if (!choice.all) {
        const std::size_t first = skeleton.initialSkin.value_or(fallbackSkinIndex(skeleton.skins));
        return Skins{SkinSet{skeleton.skins[first]}};
    }
    Skins drawing;
    for (const std::string &skin : skeleton.skins) {
        Result<bool> draws = skinDraws(session, skin, animations);
        if (!draws)
            return draws.failure();
        if (*draws)
            drawing.push_back(SkinSet{skin});
    }
    if (drawing.empty())
        return failure(FailureKind::NoSkinDraws);
    return drawing;
}

} // namespace

Result<SkeletonSurvey> surveySkeleton(const PreviewSource &source, const SurveyRequest &request)
{
    PreviewSession session;
    return surveySkeleton(session, source, request);
}

Result<SkeletonSurvey> surveySkeleton(PreviewSession &session, const PreviewSource &source, const SurveyRequest &request)
{
    const bool windowSkin = request.skins.names.empty() && !request.skins.all;
    Result<LoadedSkeleton> loaded = session.load(source, windowSkin ? FirstSkin::Choose : FirstSkin::Leave);
    if (!loaded)
        return loaded.failure();
    SkeletonSurvey survey;
    Result<std::vector<AnimationInfo>> animations = chooseAnimations(*loaded, request.animations);
    if (!animations)
        return animations.failure();
    survey.animations = std::move(*animations);
    Result<std::vector<SkinSet>> skins = chooseSkins(session, *loaded, request, survey.animations);
    if (!skins)
        return skins.failure();
    survey.skins = std::move(*skins);
    return survey;
}

} // namespace kvx
