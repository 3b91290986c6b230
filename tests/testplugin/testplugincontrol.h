#pragma once
// The control block of the configurable test plugin, shared by the plugin and the tests that drive
// it. Tests only: the plugin is a double for the runtime plugins and is never shipped.
//
// A test opens the same library file as the host (the loader keeps one instance while either holds
// it), resets the block, sets what the plugin is to report, lets the host run and reads the calls.

#include "preview/kvxruntime.h"

#include <cstdint>

namespace kvx::testplugin {

constexpr uint32_t kMaxAnimations = 8;
constexpr uint32_t kMaxSkins = 8;
constexpr uint32_t kMaxCommands = 8;
constexpr uint32_t kMaxVertices = 16;
constexpr uint32_t kMaxIndices = 24;
constexpr uint32_t kNameSize = 64;
constexpr uint32_t kTextSize = 512;
constexpr uint32_t kMaxCalls = 512;

enum class Call : int32_t {
    GetApiVersion,
    Create,
    Destroy,
    Load,
    GetSkeletonInfo,
    GetAnimationName,
    GetAnimationDuration,
    GetSkinName,
    GetLastError,
    SetAnimation,
    Update,
    GetDrawCommandCount,
    GetDrawCommand,
    SetSkin,
    GetAnimationBounds,
    GetDrawCommandDarkColor,
    SetSkins,
};

struct CallRecord {
    Call call;
    uint32_t context;      // number of the context passed (contexts count from 1), 0 for none
    uint32_t index;        // animation, skin or draw command index
    float seconds;         // deltaSeconds of Update
    int32_t loop;          // loop flag of SetAnimation
    uint32_t structSize;   // structSize the host wrote into the record passed
    bool recordWasZeroed;  // a record to fill arrived zero-filled apart from structSize
    char text[kNameSize];  // the name passed to SetAnimation, SetSkin or GetAnimationBounds, or the names
                           // passed to SetSkins joined by '+' (cut to fit)
};

struct Command {
    kvxRuntimeVertex vertices[kMaxVertices];
    uint32_t vertexCount;  // reported as is; may exceed kMaxVertices only together with nullVertices
    uint16_t indices[kMaxIndices];
    uint32_t indexCount;
    char texturePath[kTextSize];
    bool nullTexturePath;
    bool nullVertices;     // hand out a null vertex array with the count above
    int32_t blendMode;
    bool fail;             // GetDrawCommand returns non-zero for this index
    uint32_t darkColor;    // reported by GetDrawCommandDarkColor (variants with it)
    bool failDarkColor;    // GetDrawCommandDarkColor returns non-zero for this index
};

struct Control {
    int32_t apiVersion;    // returned by GetApiVersion; reset sets the variant's own version
    bool createReturnsNull;
    bool failLoad;
    bool failSkeletonInfo;
    bool failUpdate;
    bool rejectAllAnimations;
    uint32_t loadDelayMilliseconds;   // Load and Update take this long (after their call is recorded),
    uint32_t updateDelayMilliseconds; // as a heavy skeleton's would
    char rejectedAnimation[kNameSize]; // SetAnimation fails for this name (when not empty)
    char lastError[kTextSize];         // returned by GetLastError; null while empty

    uint32_t animationCount; // reported; indices without a slot read as null names and duration 0
    char animationNames[kMaxAnimations][kNameSize];
    bool nullAnimationName[kMaxAnimations];
    float animationDurations[kMaxAnimations];
    uint32_t skinCount;
    char skinNames[kMaxSkins][kNameSize];
    bool nullSkinName[kMaxSkins];

    uint32_t commandCount;   // reported by GetDrawCommandCount; indices without a slot fail
    Command commands[kMaxCommands];

    // What the host passed to the last Load.
    char loadedSkeletonPath[kTextSize];
    char loadedAtlasPath[kTextSize];
    float loadedScale;
    uint32_t loadStructSize;

    // Skin choice and framing (variants with both).
    char rejectedSkin[kNameSize]; // SetSkin fails for this name (when not empty)
    int32_t currentSkin;          // index of the last skin set, -1 for none
    bool commandsBySkin;          // GetDrawCommandCount reports skinCommandCounts[currentSkin], or their
                                  // sum over the skins of the current combination
    uint32_t skinCommandCounts[kMaxSkins];
    uint32_t combinedSkins;       // bit per skin of the combination SetSkins set last; 0 after SetSkin
    bool failBounds;
    kvxRuntimeBounds bounds;      // reported by GetAnimationBounds (structSize aside)

    uint32_t contextsCreated;
    uint32_t liveContexts;
    uint32_t callCount;      // all calls; only the first kMaxCalls are recorded
    CallRecord calls[kMaxCalls];
};

} // namespace kvx::testplugin

// Exported by every variant next to the runtime interface.
extern "C" {
typedef kvx::testplugin::Control *(*kvxTestPluginControlFn)(void);
typedef void (*kvxTestPluginResetFn)(void);
}
