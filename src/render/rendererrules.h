#pragma once
// How the official WebGL renderer of each Spine line draws a slot: the blend equation it sets for
// each blend mode on straight and on premultiplied pages, and how it treats pages and additive
// slots. The one table of these facts; frames are painted by it.

#include "preview/rasterizer.h"

#include <cstdint>

namespace kvx {

struct RendererRules {
    // Straight pages are premultiplied when uploaded, and every page is drawn premultiplied.
    bool premultipliesPages = false;
    // Additive slots are drawn with the normal equation and a light alpha of 0: their colour adds
    // up, the target's alpha stays.
    bool additiveAsNormal = false;
    BlendEquation straight[4];      // by BlendMode: normal, additive, multiply, screen
    BlendEquation premultiplied[4];
};

// The rules of the line major.minor; lines after the newest known take its rules, lines before
// the oldest its rules.
const RendererRules &rendererRulesFor(int32_t major, int32_t minor);

// Whether every equation leaves an opaque target pixel opaque (3.8 and 4.0 do not always).
bool keepsOpaqueTargetsOpaque(const RendererRules &rules);

// Whether a page is drawn premultiplied: as the atlas declares it, or always where the line
// premultiplies pages.
bool drawsPremultiplied(const RendererRules &rules, bool pagePremultiplied);

// The tint setup of one draw command: its page's reading, its blend mode (the interface's
// numbering) and its dark colour (0x00RRGGBB).
TintSetup tintSetupFor(const RendererRules &rules, bool pagePremultiplied, int32_t blendMode, uint32_t darkColour);

} // namespace kvx
