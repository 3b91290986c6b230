#include "preview/previewsession.h"

namespace kvx {

Result<LoadedSkeleton> PreviewSession::load(const PreviewSource &source, FirstSkin firstSkin)
{
    loaded = false;
    std::string error;
    if (!plugin.open(source.plugin, error))
        return failure(FailureKind::PluginUnavailable, error);
    const SkeletonMetadata metadata = plugin.loadSkeleton(source.skeleton, source.atlas, 1.0f, error);
    if (!metadata.ok)
        return failure(FailureKind::SkeletonRefused, error);
    loaded = true;
    LoadedSkeleton skeleton;
    skeleton.animations = metadata.animations;
    skeleton.skins = metadata.skins;
    skeleton.canMeasure = plugin.canMeasureAnimations();
    skeleton.canChooseSkin = plugin.canChooseSkin();
    skeleton.canCombineSkins = plugin.canChooseSkin() && plugin.canCombineSkins();
    if (firstSkin == FirstSkin::Choose && metadata.skins.size() >= 2 && plugin.canChooseSkin()) {
        const std::string first = metadata.animations.empty() ? std::string() : metadata.animations.front().name;
        skeleton.initialSkin = plugin.chooseInitialSkin(metadata.skins, first, error);
        if (!skeleton.initialSkin)
            skeleton.skinChoiceFailure = failure(FailureKind::SkinNotChosen, error);
    }
    return skeleton;
}

Result<PreviewFrame> PreviewSession::select(const std::string &animation, bool loop, float seconds)
{
    std::string error;
    if (!plugin.setAnimation(animation, loop, error))
        return failure(FailureKind::AnimationNotSelected, error);
    return advance(seconds);
}

Result<PreviewFrame> PreviewSession::advance(float seconds)
{
    std::string error;
    PreviewFrame frame = plugin.sampleFrame(seconds, error);
    if (!frame.ok)
        return failure(FailureKind::FrameNotSampled, error);
    return frame;
}

Result<PreviewFrame> PreviewSession::chooseSkin(const std::string &skin)
{
    std::string error;
    if (!plugin.setSkin(skin, error))
        return failure(FailureKind::SkinNotChosen, error);
    return advance(0.0f);
}

Result<PreviewFrame> PreviewSession::chooseSkins(const std::vector<std::string> &skins)
{
    if (skins.size() == 1)
        return chooseSkin(skins.front());
    std::string error;
    if (!plugin.setSkins(skins, error))
        return failure(FailureKind::SkinNotChosen, error);
    return advance(0.0f);
}

Result<SkeletonBox> PreviewSession::measure(const std::string &animation)
{
    std::string error;
    const std::optional<SkeletonBox> box = plugin.animationBounds(animation, error);
    if (!box)
        return failure(FailureKind::AnimationNotMeasured, error);
    return *box;
}

void PreviewSession::unload()
{
    plugin.unload();
    loaded = false;
}

} // namespace kvx
