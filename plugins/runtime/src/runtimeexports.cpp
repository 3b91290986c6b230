// The eighteen exports of the runtime plugin interface. Everything else in the library is
// hidden; no C++ exception leaves through these functions.

#include "embeddedscript.h"
#include "modulepin.h"
#include "preview/kvxruntime.h"
#include "runtimecontext.h"

#include <new>
#include <string>

namespace {

// Runs one call on a context, turning an allocation failure into an ordinary failed call.
template <typename Operation>
int32_t guarded(kvxRuntimeContext context, Operation operation)
{
    if (!context)
        return 1;
    try {
        return operation(*context) ? 0 : 1;
    } catch (const std::bad_alloc &) {
        context->lastError = "Out of memory.";
        return 1;
    }
}

const std::string &description()
{
    static const std::string text = std::string("Kovexa runtime plugin for Spine ") + kvx::plugin::embeddedLine()
                                    + " (" + kvx::plugin::embeddedRuntimeName() + " in QJSEngine)";
    return text;
}

} // namespace

extern "C" {

KVX_RUNTIME_EXPORT int32_t kvxRuntimeGetApiVersion(void)
{
    return KVX_RUNTIME_API_VERSION;
}

// Never called by the host: a NUL-terminated UTF-8 description of the plugin.
KVX_RUNTIME_EXPORT const void *kvxRuntimeGetInfo(void)
{
    return description().c_str();
}

KVX_RUNTIME_EXPORT kvxRuntimeContext kvxRuntimeCreate(void)
{
    kvx::plugin::pinThisLibrary();
    return new (std::nothrow) kvxRuntimeContextData();
}

KVX_RUNTIME_EXPORT void kvxRuntimeDestroy(kvxRuntimeContext context)
{
    delete context;
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeLoad(kvxRuntimeContext context, const kvxRuntimeLoadRequest *request)
{
    return guarded(context, [request](kvxRuntimeContextData &data) {
        if (!request) {
            data.lastError = "Load request is missing.";
            return false;
        }
        return kvx::plugin::loadSkeleton(data, *request);
    });
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeGetSkeletonInfo(kvxRuntimeContext context, kvxRuntimeSkeletonInfo *info)
{
    if (!context || !info || !context->loaded)
        return 1;
    info->skinCount = uint32_t(context->skins.size());
    info->animationCount = uint32_t(context->animations.size());
    info->extra0 = uint32_t(context->pagePaths.size());
    return 0;
}

KVX_RUNTIME_EXPORT const char *kvxRuntimeGetAnimationName(kvxRuntimeContext context, uint32_t index)
{
    if (!context || index >= context->animations.size())
        return nullptr;
    return context->animations[index].name.c_str();
}

KVX_RUNTIME_EXPORT float kvxRuntimeGetAnimationDuration(kvxRuntimeContext context, uint32_t index)
{
    if (!context || index >= context->animations.size())
        return 0.0f;
    return context->animations[index].duration;
}

KVX_RUNTIME_EXPORT const char *kvxRuntimeGetSkinName(kvxRuntimeContext context, uint32_t index)
{
    if (!context || index >= context->skins.size())
        return nullptr;
    return context->skins[index].c_str();
}

KVX_RUNTIME_EXPORT const char *kvxRuntimeGetLastError(kvxRuntimeContext context)
{
    if (!context || context->lastError.empty())
        return nullptr;
    return context->lastError.c_str();
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeSetAnimation(kvxRuntimeContext context, const char *name, int32_t loop)
{
    return guarded(context, [name, loop](kvxRuntimeContextData &data) {
        return kvx::plugin::selectAnimation(data, name, loop != 0);
    });
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeUpdate(kvxRuntimeContext context, float deltaSeconds)
{
    return guarded(context, [deltaSeconds](kvxRuntimeContextData &data) {
        return kvx::plugin::advance(data, deltaSeconds);
    });
}

KVX_RUNTIME_EXPORT uint32_t kvxRuntimeGetDrawCommandCount(kvxRuntimeContext context)
{
    return context ? context->frame.count() : 0;
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeGetDrawCommand(kvxRuntimeContext context, uint32_t index,
                                                    kvxRuntimeDrawCommand *command)
{
    if (!context || !command)
        return 1;
    return context->frame.fill(index, context->pagePaths, *command) ? 0 : 1;
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeSetSkin(kvxRuntimeContext context, const char *name)
{
    return guarded(context, [name](kvxRuntimeContextData &data) { return kvx::plugin::selectSkin(data, name); });
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeSetSkins(kvxRuntimeContext context, const char *const *names, uint32_t count)
{
    return guarded(context, [names, count](kvxRuntimeContextData &data) {
        return kvx::plugin::selectSkins(data, names, count);
    });
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeGetAnimationBounds(kvxRuntimeContext context, const char *name,
                                                        kvxRuntimeBounds *bounds)
{
    if (!bounds)
        return 1;
    return guarded(context, [name, bounds](kvxRuntimeContextData &data) {
        return kvx::plugin::measureAnimation(data, name, *bounds);
    });
}

KVX_RUNTIME_EXPORT int32_t kvxRuntimeGetDrawCommandDarkColor(kvxRuntimeContext context, uint32_t index, uint32_t *darkColor)
{
    if (!context || !darkColor)
        return 1;
    return context->frame.darkColor(index, *darkColor) ? 0 : 1;
}

} // extern "C"
