#pragma once
// What of one skeleton gets rendered, found by loading it once: the animations and skins asked
// for, checked against those it has, before any output is planned.

#include "common/failure.h"
#include "preview/previewsession.h"

#include <optional>
#include <string>
#include <vector>

namespace kvx {

// Names asked for, or all; neither means the default: the first animation, and the skin the
// window shows first.
struct NameChoice {
    std::vector<std::string> names;
    bool all = false;
};

struct SurveyRequest {
    NameChoice animations;
    NameChoice skins;
    // The skins named make one output, shown together as the window combines them (in their
    // order), rather than one output each.
    bool combineSkins = false;
};

// The skins one output is posed with: one, several combined in their order, or none (the
// skeleton's own, where it has one skin or the plugin cannot switch them).
using SkinSet = std::vector<std::string>;

struct SkeletonSurvey {
    // In the skeleton's order for all, else in the order asked. Empty for a skeleton without
    // animations, whose setup pose is rendered instead.
    std::vector<AnimationInfo> animations;
    // A skin is named only where the skeleton has several to choose from (the one skin of a
    // skeleton that has one is its own): a single empty entry otherwise. For all, every skin that
    // draws something at the first frame of the first animation rendered (or the setup pose).
    // Combined skins are one entry of several names.
    std::vector<SkinSet> skins;
};

// Fails with AnimationUnknown or SkinUnknown (the detail names what was asked and lists what the
// skeleton has), NoSkinDraws, SkinNotChosen when skins are asked of a plugin that cannot switch
// (or combine) them, or the session's failures.
Result<SkeletonSurvey> surveySkeleton(const PreviewSource &source, const SurveyRequest &request);
// The same in the session given, which stays loaded (a render job keeps it for its outputs). A
// skin was chosen in it exactly when the survey names one.
Result<SkeletonSurvey> surveySkeleton(PreviewSession &session, const PreviewSource &source, const SurveyRequest &request);

} // namespace kvx
