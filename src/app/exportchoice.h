#pragma once
// What "导出动画…" asks and what the answer means for the render: the dialog's offer (what the
// window shows now, the remembered choices) and the choice it returns.

#include "render/qt/rendersettings.h"

#include <QString>
#include <optional>

namespace kvx {

struct AnimationExportChoice {
    std::optional<MediaFormat> format; // none: a folder of numbered PNG frames per animation
    bool allAnimations = false;        // otherwise the animation shown
    bool allSkins = false;             // otherwise the skins shown (combined as shown)
    int fps = 30;
    std::optional<FrameSize> size;     // none: the extent framed at the scale
    double scale = 1.0;
    std::optional<BackgroundColour> background; // none: transparent (formats without alpha: black)
    QString outputFolder;
};

struct AnimationExportOffer {
    QString skeletonName;
    QString animation; // shown now; empty: the setup pose (the skeleton has no animation)
    QString skins;     // shown now, joined with " + "; empty: the skeleton has only its own
    AnimationExportChoice initial; // the last choice, with the remembered folder
};

// The render settings of the choice: checkRenderSettings says what of it is refused.
RenderSettings renderSettingsOf(const AnimationExportChoice &choice);

// Formats without alpha are composed over an opaque background: the one chosen, black by default.
bool formatKeepsAlpha(const std::optional<MediaFormat> &format);

} // namespace kvx
