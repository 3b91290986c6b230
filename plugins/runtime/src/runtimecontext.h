#pragma once
// The record behind a kvxRuntimeContext: one skeleton in its own script engine, its metadata,
// the last frame and the last error.

#include "drawlist.h"
#include "enginewatchdog.h"
#include "preview/kvxruntime.h"
#include "scriptruntime.h"

#include <string>
#include <vector>

struct AnimationEntry {
    std::string name;
    float duration = 0.0f;
};

struct kvxRuntimeContextData {
    kvx::plugin::ScriptRuntime script;
    bool loaded = false;
    std::vector<std::string> pagePaths; // absolute, UTF-8, by atlas page index
    std::vector<AnimationEntry> animations;
    std::vector<std::string> skins;
    kvx::plugin::DrawList frame;
    std::string lastError;
    std::string stoppedReason; // why the skeleton is no longer loaded after work was stopped
    kvx::plugin::EngineWatchdog watchdog; // declared last: stops watching before the engine goes
};

namespace kvx::plugin {

// Each returns false with context.lastError set on failure.
bool loadSkeleton(kvxRuntimeContextData &context, const kvxRuntimeLoadRequest &request);
bool selectAnimation(kvxRuntimeContextData &context, const char *name, bool loop);
bool advance(kvxRuntimeContextData &context, float deltaSeconds);
bool selectSkin(kvxRuntimeContextData &context, const char *name);
bool selectSkins(kvxRuntimeContextData &context, const char *const *names, uint32_t count);
bool measureAnimation(kvxRuntimeContextData &context, const char *name, kvxRuntimeBounds &bounds);

} // namespace kvx::plugin
