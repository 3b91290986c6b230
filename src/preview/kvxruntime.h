/*
 * Kovexa runtime plugin interface, version 3.
 *
 * A runtime plugin is a shared library ("kvx-runtime-<line>.dll" on Windows, ".so" elsewhere, in
 * the folder "runtimes" beside the program) that carries the Spine runtime of one data line. The
 * host loads it at run time, looks the functions below up by name and drives it from one thread.
 *
 * This header stands alone and compiles as C and as C++.
 *
 * Rules:
 * - Text is UTF-8 and NUL-terminated, file paths included.
 * - Every record starts with structSize, written by the host before each call. Records the plugin
 *   fills are zero-filled by the host first.
 * - 0 is success for every int32_t result.
 * - Memory behind pointers the plugin returns stays the plugin's and needs to stay valid only
 *   until the next call into the plugin: the host copies what it needs at once.
 * - Vertices are in skeleton space with y growing downward; u and v are fractions of the page
 *   image from its top-left corner; of color (0xAARRGGBB) the host uses the alpha of a
 *   triangle's first vertex as the opacity of the whole triangle.
 * - Blend modes: 0 normal, 1 additive, 2 multiply, 3 screen (anything else draws as normal).
 * - kvxRuntimeSetSkin, kvxRuntimeGetAnimationBounds, kvxRuntimeGetDrawCommandDarkColor and
 *   kvxRuntimeSetSkins are optional additions to version 3: the host looks them up like the others,
 *   offers no skin choice without the first, frames by the first sampled frame without the second,
 *   paints without two-colour tint (every dark colour black) without the third and shows one skin at
 *   a time without the fourth; hosts that do not know them are unaffected.
 * - Two-colour tint: a slot may carry a dark colour besides its colour. The renderer then maps a
 *   texel's colour channel c (0 … 1) to light · c + dark · (1 − c), straight, or to
 *   light · c + dark · (alpha − c) on premultiplied texels. A plugin that reports dark colours
 *   never merges triangles of different dark colours into one draw command.
 */
#ifndef KVX_RUNTIME_H
#define KVX_RUNTIME_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KVX_RUNTIME_API_VERSION 3

#if defined(_WIN32)
#define KVX_RUNTIME_EXPORT __declspec(dllexport)
#else
#define KVX_RUNTIME_EXPORT __attribute__((visibility("default")))
#endif

typedef struct kvxRuntimeContextData *kvxRuntimeContext;

typedef struct kvxRuntimeLoadRequest {
    uint32_t structSize; /* 32 */
    uint32_t reserved0;
    const char *skeletonPath; /* .json, .skel or .skel.bytes */
    const char *atlasPath;
    float scale; /* the host passes 1.0 */
    uint32_t reserved1;
} kvxRuntimeLoadRequest;

typedef struct kvxRuntimeSkeletonInfo {
    uint32_t structSize; /* 28 */
    uint32_t extra0;
    uint32_t extra1;
    uint32_t skinCount;
    uint32_t animationCount;
    uint32_t extra2;
    uint32_t extra3;
} kvxRuntimeSkeletonInfo;

typedef struct kvxRuntimeVertex {
    float x;
    float y;
    float u;
    float v;
    uint32_t color; /* 0xAARRGGBB */
} kvxRuntimeVertex;

typedef struct kvxRuntimeDrawCommand {
    uint32_t structSize; /* 56 */
    uint32_t reserved0;
    const kvxRuntimeVertex *vertices;
    uint32_t vertexCount;
    uint32_t reserved1;
    const uint16_t *indices; /* triangle list */
    uint32_t indexCount;
    uint32_t reserved2;
    const char *texturePath; /* page image path the host can open; never null */
    int32_t blendMode;
    uint32_t reserved3;
} kvxRuntimeDrawCommand;

typedef struct kvxRuntimeBounds {
    uint32_t structSize; /* 24 */
    uint32_t reserved0;
    float x; /* skeleton space, y down, like the vertices */
    float y;
    float width;
    float height;
} kvxRuntimeBounds;

/* Required. */
typedef int32_t (*kvxRuntimeGetApiVersionFn)(void);
typedef const void *(*kvxRuntimeGetInfoFn)(void); /* never called by the host */
/* Skeleton metadata. */
typedef kvxRuntimeContext (*kvxRuntimeCreateFn)(void);
typedef void (*kvxRuntimeDestroyFn)(kvxRuntimeContext context);
typedef int32_t (*kvxRuntimeLoadFn)(kvxRuntimeContext context, const kvxRuntimeLoadRequest *request);
typedef int32_t (*kvxRuntimeGetSkeletonInfoFn)(kvxRuntimeContext context, kvxRuntimeSkeletonInfo *info);
typedef const char *(*kvxRuntimeGetAnimationNameFn)(kvxRuntimeContext context, uint32_t index);
typedef float (*kvxRuntimeGetAnimationDurationFn)(kvxRuntimeContext context, uint32_t index);
typedef const char *(*kvxRuntimeGetSkinNameFn)(kvxRuntimeContext context, uint32_t index);
typedef const char *(*kvxRuntimeGetLastErrorFn)(kvxRuntimeContext context);
/* Animation playback. */
typedef int32_t (*kvxRuntimeSetAnimationFn)(kvxRuntimeContext context, const char *name, int32_t loop);
/* Preview drawing. */
typedef int32_t (*kvxRuntimeUpdateFn)(kvxRuntimeContext context, float deltaSeconds);
typedef uint32_t (*kvxRuntimeGetDrawCommandCountFn)(kvxRuntimeContext context);
typedef int32_t (*kvxRuntimeGetDrawCommandFn)(kvxRuntimeContext context, uint32_t index,
                                              kvxRuntimeDrawCommand *command);
/* Skin choice: name is a skin as kvxRuntimeGetSkinName reports it. Its attachments show from the
 * next kvxRuntimeUpdate on; the animation goes on where it was. */
typedef int32_t (*kvxRuntimeSetSkinFn)(kvxRuntimeContext context, const char *name);
/* Combined skins: the count named skins (at least one, each as kvxRuntimeGetSkinName reports it)
 * combined in the order given into one skin, as the runtimes combine skins: where two of them hold an
 * attachment for the same slot and name, the later one's is used. Shown like a skin chosen with
 * kvxRuntimeSetSkin, which a single name is equivalent to. Fails (non-zero) for an unknown name, for
 * no names or more names than the skeleton has skins; the skin shown then stays as it was. */
typedef int32_t (*kvxRuntimeSetSkinsFn)(kvxRuntimeContext context, const char *const *names, uint32_t count);
/* Framing: the box holding every frame of the named animation played once from its start with
 * the current skin. Measured on a pose of its own: the shown pose and its playback are untouched.
 * Fails (non-zero) when the animation is unknown or draws nothing. */
typedef int32_t (*kvxRuntimeGetAnimationBoundsFn)(kvxRuntimeContext context, const char *name,
                                                  kvxRuntimeBounds *bounds);
/* Two-colour tint: the dark colour of draw command index of the last sampled frame, 0x00RRGGBB,
 * straight (not scaled by any alpha); black (0) for slots without one. Fails (non-zero) for an
 * index without a command. */
typedef int32_t (*kvxRuntimeGetDrawCommandDarkColorFn)(kvxRuntimeContext context, uint32_t index,
                                                       uint32_t *darkColor);

#ifdef __cplusplus
#define KVX_RUNTIME_STATIC_ASSERT(condition, message) static_assert(condition, message)
#else
#define KVX_RUNTIME_STATIC_ASSERT(condition, message) _Static_assert(condition, message)
#endif

KVX_RUNTIME_STATIC_ASSERT(sizeof(void *) == 8, "the interface is defined for 64-bit targets");
KVX_RUNTIME_STATIC_ASSERT(sizeof(kvxRuntimeLoadRequest) == 32, "kvxRuntimeLoadRequest is 32 bytes");
KVX_RUNTIME_STATIC_ASSERT(offsetof(kvxRuntimeLoadRequest, skeletonPath) == 8, "skeletonPath at 8");
KVX_RUNTIME_STATIC_ASSERT(offsetof(kvxRuntimeLoadRequest, atlasPath) == 16, "atlasPath at 16");
KVX_RUNTIME_STATIC_ASSERT(offsetof(kvxRuntimeLoadRequest, scale) == 24, "scale at 24");
KVX_RUNTIME_STATIC_ASSERT(sizeof(kvxRuntimeSkeletonInfo) == 28, "kvxRuntimeSkeletonInfo is 28 bytes");
KVX_RUNTIME_STATIC_ASSERT(offsetof(kvxRuntimeSkeletonInfo, skinCount) == 12, "skinCount at 12");
KVX_RUNTIME_STATIC_ASSERT(offsetof(kvxRuntimeSkeletonInfo, animationCount) == 16, "animationCount at 16");
KVX_RUNTIME_STATIC_ASSERT(sizeof(kvxRuntimeVertex) == 20, "kvxRuntimeVertex is 20 bytes");
KVX_RUNTIME_STATIC_ASSERT(offsetof(kvxRuntimeVertex, color) == 16, "color at 16");
KVX_RUNTIME_STATIC_ASSERT(sizeof(kvxRuntimeDrawCommand) == 56, "kvxRuntimeDrawCommand is 56 bytes");
KVX_RUNTIME_STATIC_ASSERT(offsetof(kvxRuntimeDrawCommand, vertices) == 8, "vertices at 8");
KVX_RUNTIME_STATIC_ASSERT(offsetof(kvxRuntimeDrawCommand, vertexCount) == 16, "vertexCount at 16");
KVX_RUNTIME_STATIC_ASSERT(offsetof(kvxRuntimeDrawCommand, indices) == 24, "indices at 24");
KVX_RUNTIME_STATIC_ASSERT(offsetof(kvxRuntimeDrawCommand, indexCount) == 32, "indexCount at 32");
KVX_RUNTIME_STATIC_ASSERT(offsetof(kvxRuntimeDrawCommand, texturePath) == 40, "texturePath at 40");
KVX_RUNTIME_STATIC_ASSERT(offsetof(kvxRuntimeDrawCommand, blendMode) == 48, "blendMode at 48");
KVX_RUNTIME_STATIC_ASSERT(sizeof(kvxRuntimeBounds) == 24, "kvxRuntimeBounds is 24 bytes");
KVX_RUNTIME_STATIC_ASSERT(offsetof(kvxRuntimeBounds, x) == 8, "x at 8");

#ifdef __cplusplus
}
#endif

#endif /* KVX_RUNTIME_H */
