// The configurable test plugin: implements the runtime plugin interface from the control block in
// testplugincontrol.h. Plain C++ without Qt, so that it builds as a shared object and as a DLL.
//
// Variants of this one source are built with:
//   KVX_TEST_PLUGIN_LEVEL        0 required exports only, 1 + skeleton metadata, 2 + playback,
//                                3 + drawing, 4 + skin choice, framing and dark colours, 5 + combined
//                                skins (everything)
//   KVX_TEST_PLUGIN_NO_INFO      leave kvxRuntimeGetInfo out
//   KVX_TEST_PLUGIN_API_VERSION  what kvxRuntimeGetApiVersion returns after a reset

#include "testplugin/testplugincontrol.h"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#ifndef KVX_TEST_PLUGIN_LEVEL
#define KVX_TEST_PLUGIN_LEVEL 5
#endif
#ifndef KVX_TEST_PLUGIN_API_VERSION
#define KVX_TEST_PLUGIN_API_VERSION KVX_RUNTIME_API_VERSION
#endif

using namespace kvx::testplugin;

struct kvxRuntimeContextData {
    uint32_t number;
};

namespace {

Control control;
Command scratch; // what GetDrawCommand hands out; overwritten by every call, as real plugins do

void resetControl()
{
    std::memset(&control, 0, sizeof(control));
    control.apiVersion = KVX_TEST_PLUGIN_API_VERSION;
    control.currentSkin = -1;
}

// Runs before any test can reach the block, so a host that opens the library first sees defaults.
struct Defaults {
    Defaults() { resetControl(); }
} defaults;

void copyText(char *target, size_t size, const char *text)
{
    if (!text)
        text = "";
    std::strncpy(target, text, size - 1);
    target[size - 1] = '\0';
}

void takeTime(uint32_t milliseconds)
{
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

CallRecord &record(Call call, kvxRuntimeContext context = nullptr, uint32_t index = 0)
{
    static CallRecord overflow;
    const uint32_t slot = control.callCount++;
    CallRecord &entry = slot < kMaxCalls ? control.calls[slot] : overflow;
    std::memset(&entry, 0, sizeof(entry));
    entry.call = call;
    entry.context = context ? context->number : 0;
    entry.index = index;
    return entry;
}

// True when every byte after structSize is zero, as the host must hand over records to fill.
bool zeroedAfterSize(const void *recordStart, size_t size)
{
    const unsigned char *bytes = static_cast<const unsigned char *>(recordStart);
    for (size_t i = sizeof(uint32_t); i < size; ++i) {
        if (bytes[i] != 0)
            return false;
    }
    return true;
}

void noteRecord(CallRecord &entry, const void *recordStart, size_t size)
{
    std::memcpy(&entry.structSize, recordStart, sizeof(uint32_t));
    entry.recordWasZeroed = zeroedAfterSize(recordStart, size);
}

// The index of a skin the plugin reports; -1 for other names and the rejected one.
int32_t skinIndex(const char *name)
{
    if (!name || (control.rejectedSkin[0] && std::strcmp(name, control.rejectedSkin) == 0))
        return -1;
    for (uint32_t i = 0; i < control.skinCount && i < kMaxSkins; ++i) {
        if (std::strcmp(name, control.skinNames[i]) == 0)
            return int32_t(i);
    }
    return -1;
}

} // namespace

extern "C" {

KVX_RUNTIME_EXPORT Control *kvxTestPluginControl(void)
{
    return &control;
}

KVX_RUNTIME_EXPORT void kvxTestPluginReset(void)
{
    resetControl();
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeGetApiVersion(void)
{
    record(Call::GetApiVersion);
    return control.apiVersion;
}

#ifndef KVX_TEST_PLUGIN_NO_INFO
KVX_RUNTIME_EXPORT const void *kvxRuntimeGetInfo(void)
{
    return "Kovexa test plugin (tests only)";
}
#endif

#if KVX_TEST_PLUGIN_LEVEL >= 1
KVX_RUNTIME_EXPORT kvxRuntimeContext kvxRuntimeCreate(void)
{
    record(Call::Create);
    if (control.createReturnsNull)
        return nullptr;
    ++control.liveContexts;
    return new kvxRuntimeContextData{++control.contextsCreated};
}

KVX_RUNTIME_EXPORT void kvxRuntimeDestroy(kvxRuntimeContext context)
{
    record(Call::Destroy, context);
    if (!context)
        return;
    --control.liveContexts;
    delete context;
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeLoad(kvxRuntimeContext context, const kvxRuntimeLoadRequest *request)
{
    CallRecord &entry = record(Call::Load, context);
    entry.structSize = request->structSize;
    control.loadStructSize = request->structSize;
    copyText(control.loadedSkeletonPath, kTextSize, request->skeletonPath);
    copyText(control.loadedAtlasPath, kTextSize, request->atlasPath);
    control.loadedScale = request->scale;
    takeTime(control.loadDelayMilliseconds);
    return control.failLoad ? 1 : 0;
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeGetSkeletonInfo(kvxRuntimeContext context, kvxRuntimeSkeletonInfo *info)
{
    noteRecord(record(Call::GetSkeletonInfo, context), info, sizeof(*info));
    if (control.failSkeletonInfo)
        return 1;
    info->animationCount = control.animationCount;
    info->skinCount = control.skinCount;
    info->extra0 = 0xDEADBEEF; // not the host's business
    return 0;
}

KVX_RUNTIME_EXPORT const char *kvxRuntimeGetAnimationName(kvxRuntimeContext context, uint32_t index)
{
    record(Call::GetAnimationName, context, index);
    if (index >= kMaxAnimations || control.nullAnimationName[index])
        return nullptr;
    return control.animationNames[index];
}

KVX_RUNTIME_EXPORT float kvxRuntimeGetAnimationDuration(kvxRuntimeContext context, uint32_t index)
{
    record(Call::GetAnimationDuration, context, index);
    return index < kMaxAnimations ? control.animationDurations[index] : 0.0f;
}

KVX_RUNTIME_EXPORT const char *kvxRuntimeGetSkinName(kvxRuntimeContext context, uint32_t index)
{
    record(Call::GetSkinName, context, index);
    if (index >= kMaxSkins || control.nullSkinName[index])
        return nullptr;
    return control.skinNames[index];
}

KVX_RUNTIME_EXPORT const char *kvxRuntimeGetLastError(kvxRuntimeContext context)
{
    record(Call::GetLastError, context);
    return control.lastError[0] ? control.lastError : nullptr;
}
#endif

#if KVX_TEST_PLUGIN_LEVEL >= 2
KVX_RUNTIME_EXPORT int32_t kvxRuntimeSetAnimation(kvxRuntimeContext context, const char *name, int32_t loop)
{
    CallRecord &entry = record(Call::SetAnimation, context);
    entry.loop = loop;
    copyText(entry.text, kNameSize, name);
    const bool rejected = control.rejectAllAnimations
        || (control.rejectedAnimation[0] && std::strcmp(name, control.rejectedAnimation) == 0);
    return rejected ? 1 : 0;
}
#endif

#if KVX_TEST_PLUGIN_LEVEL >= 3
KVX_RUNTIME_EXPORT int32_t kvxRuntimeUpdate(kvxRuntimeContext context, float deltaSeconds)
{
    record(Call::Update, context).seconds = deltaSeconds;
    takeTime(control.updateDelayMilliseconds);
    return control.failUpdate ? 1 : 0;
}

KVX_RUNTIME_EXPORT uint32_t kvxRuntimeGetDrawCommandCount(kvxRuntimeContext context)
{
    record(Call::GetDrawCommandCount, context);
    if (control.commandsBySkin && control.combinedSkins != 0) {
        uint32_t count = 0;
        for (uint32_t i = 0; i < kMaxSkins; ++i)
            count += (control.combinedSkins >> i) & 1u ? control.skinCommandCounts[i] : 0;
        return count;
    }
    if (control.commandsBySkin)
        return control.currentSkin >= 0 && control.currentSkin < int32_t(kMaxSkins)
                   ? control.skinCommandCounts[control.currentSkin]
                   : 0;
    return control.commandCount;
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeGetDrawCommand(kvxRuntimeContext context, uint32_t index,
                                                    kvxRuntimeDrawCommand *command)
{
    noteRecord(record(Call::GetDrawCommand, context, index), command, sizeof(*command));
    if (index >= kMaxCommands || control.commands[index].fail)
        return 1;
    scratch = control.commands[index];
    command->vertices = scratch.nullVertices ? nullptr : scratch.vertices;
    command->vertexCount = scratch.vertexCount;
    command->indices = scratch.indices;
    command->indexCount = scratch.indexCount;
    command->texturePath = scratch.nullTexturePath ? nullptr : scratch.texturePath;
    command->blendMode = scratch.blendMode;
    return 0;
}
#endif

#if KVX_TEST_PLUGIN_LEVEL >= 4
KVX_RUNTIME_EXPORT int32_t kvxRuntimeSetSkin(kvxRuntimeContext context, const char *name)
{
    copyText(record(Call::SetSkin, context).text, kNameSize, name);
    const int32_t index = skinIndex(name);
    if (index < 0)
        return 1;
    control.currentSkin = index;
    control.combinedSkins = 0;
    return 0;
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeGetAnimationBounds(kvxRuntimeContext context, const char *name,
                                                        kvxRuntimeBounds *bounds)
{
    CallRecord &entry = record(Call::GetAnimationBounds, context);
    copyText(entry.text, kNameSize, name);
    noteRecord(entry, bounds, sizeof(*bounds));
    if (control.failBounds)
        return 1;
    const uint32_t structSize = bounds->structSize;
    *bounds = control.bounds;
    bounds->structSize = structSize;
    return 0;
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeGetDrawCommandDarkColor(kvxRuntimeContext context, uint32_t index,
                                                             uint32_t *darkColor)
{
    record(Call::GetDrawCommandDarkColor, context, index);
    if (index >= kMaxCommands || control.commands[index].failDarkColor)
        return 1;
    *darkColor = control.commands[index].darkColor;
    return 0;
}
#endif

#if KVX_TEST_PLUGIN_LEVEL >= 5
KVX_RUNTIME_EXPORT int32_t kvxRuntimeSetSkins(kvxRuntimeContext context, const char *const *names, uint32_t count)
{
    CallRecord &entry = record(Call::SetSkins, context, count);
    std::string joined;
    for (uint32_t i = 0; names && i < count; ++i)
        joined += (i ? "+" : "") + std::string(names[i] ? names[i] : "");
    copyText(entry.text, kNameSize, joined.c_str());
    if (!names || count == 0)
        return 1;
    uint32_t mask = 0;
    for (uint32_t n = 0; n < count; ++n) {
        const int32_t index = skinIndex(names[n]);
        if (index < 0)
            return 1;
        mask |= 1u << uint32_t(index);
    }
    control.combinedSkins = mask;
    return 0;
}
#endif

} // extern "C"
