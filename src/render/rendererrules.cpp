#include "render/rendererrules.h"

namespace kvx {
namespace {

using SC = SourceColourFactor;
using SA = SourceAlphaFactor;
using DF = DestinationFactor;

// 3.8: PolygonBatcher.setBlendMode calls gl.blendFunc(source, destination), so the colour factors
// serve alpha too (WebGLBlendModeConverter.getSourceGLBlendMode / getDestGLBlendMode). A straight
// page's alpha is thus multiplied by itself, and multiply's alpha factor DST_COLOR is the target's alpha.
constexpr RendererRules kLine38{
    false,
    false,
    {{SC::SourceAlpha, SA::SourceAlpha, DF::OneMinusSourceAlpha}, {SC::SourceAlpha, SA::SourceAlpha, DF::One},
     {SC::DestinationColour, SA::DestinationAlpha, DF::OneMinusSourceAlpha}, {SC::One, SA::One, DF::OneMinusSourceAlpha}},
    {{SC::One, SA::One, DF::OneMinusSourceAlpha}, {SC::One, SA::One, DF::One},
     {SC::DestinationColour, SA::DestinationAlpha, DF::OneMinusSourceAlpha}, {SC::One, SA::One, DF::OneMinusSourceAlpha}},
};

// 4.0: gl.blendFuncSeparate(sourceColour, destination, sourceAlpha, destination) from
// WebGLBlendModeConverter: multiply's source alpha factor ONE_MINUS_SRC_ALPHA, screen's
// ONE_MINUS_SRC_COLOR (alpha component 1 − source alpha), screen's destination ONE_MINUS_SRC_ALPHA.
constexpr RendererRules kLine40{
    false,
    false,
    {{SC::SourceAlpha, SA::One, DF::OneMinusSourceAlpha}, {SC::SourceAlpha, SA::One, DF::One},
     {SC::DestinationColour, SA::OneMinusSourceAlpha, DF::OneMinusSourceAlpha},
     {SC::One, SA::OneMinusSourceAlpha, DF::OneMinusSourceAlpha}},
    {{SC::One, SA::One, DF::OneMinusSourceAlpha}, {SC::One, SA::One, DF::One},
     {SC::DestinationColour, SA::OneMinusSourceAlpha, DF::OneMinusSourceAlpha},
     {SC::One, SA::OneMinusSourceAlpha, DF::OneMinusSourceAlpha}},
};

// 4.1 and 4.2: PolygonBatcher.blendModesGL, source alpha ONE throughout, screen's destination
// ONE_MINUS_SRC_COLOR.
constexpr RendererRules kLine41{
    false,
    false,
    {{SC::SourceAlpha, SA::One, DF::OneMinusSourceAlpha}, {SC::SourceAlpha, SA::One, DF::One},
     {SC::DestinationColour, SA::One, DF::OneMinusSourceAlpha}, {SC::One, SA::One, DF::OneMinusSourceColour}},
    {{SC::One, SA::One, DF::OneMinusSourceAlpha}, {SC::One, SA::One, DF::One},
     {SC::DestinationColour, SA::One, DF::OneMinusSourceAlpha}, {SC::One, SA::One, DF::OneMinusSourceColour}},
};

// 4.3: the premultiplied column of 4.2's table only; GLTexture premultiplies straight pages on upload
// (UNPACK_PREMULTIPLY_ALPHA_WEBGL) and SkeletonRenderer batches additive slots as normal ones
// (pmaAdditiveBatching, on by default).
constexpr RendererRules kLine43{
    true,
    true,
    {{SC::One, SA::One, DF::OneMinusSourceAlpha}, {SC::One, SA::One, DF::One},
     {SC::DestinationColour, SA::One, DF::OneMinusSourceAlpha}, {SC::One, SA::One, DF::OneMinusSourceColour}},
    {{SC::One, SA::One, DF::OneMinusSourceAlpha}, {SC::One, SA::One, DF::One},
     {SC::DestinationColour, SA::One, DF::OneMinusSourceAlpha}, {SC::One, SA::One, DF::OneMinusSourceColour}},
};

} // namespace

const RendererRules &rendererRulesFor(int32_t major, int32_t minor)
{
    if (major < 4)
        return kLine38;
    if (major > 4 || minor >= 3)
        return kLine43;
    return minor == 0 ? kLine40 : kLine41;
}

bool keepsOpaqueTargetsOpaque(const RendererRules &rules)
{
    // Over a target alpha of 1 the result's alpha is source · factor + 1 · (1 − source alpha) or + 1.
    const auto keeps = [](const BlendEquation &e) {
        return e.destination == DestinationFactor::One
            || e.sourceAlpha == SourceAlphaFactor::One || e.sourceAlpha == SourceAlphaFactor::DestinationAlpha;
    };
    for (int mode = 0; mode < 4; ++mode) {
        if (!keeps(rules.straight[mode]) || !keeps(rules.premultiplied[mode]))
            return false;
    }
    return true;
}

bool drawsPremultiplied(const RendererRules &rules, bool pagePremultiplied)
{
    return pagePremultiplied || rules.premultipliesPages;
}

TintSetup tintSetupFor(const RendererRules &rules, bool pagePremultiplied, int32_t blendMode, uint32_t darkColour)
{
    const bool premultiplied = drawsPremultiplied(rules, pagePremultiplied);
    BlendMode mode = blendModeFromInterface(blendMode);
    TintSetup setup;
    setup.premultiplied = premultiplied;
    setup.dark = darkColour & 0x00ffffffu;
    if (mode == BlendMode::Additive && rules.additiveAsNormal) {
        setup.zeroLightAlpha = true;
        mode = BlendMode::Normal;
    }
    setup.blend = (premultiplied ? rules.premultiplied : rules.straight)[static_cast<int>(mode)];
    return setup;
}

} // namespace kvx
