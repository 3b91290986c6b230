#include "runtimecontext.h"

#include "inputlimits.h"
#include "skeletonfiles.h"

#include <cmath>

namespace kvx::plugin {

namespace {

bool fail(kvxRuntimeContextData &context, std::string error)
{
    context.lastError = std::move(error);
    return false;
}

// Opens the atlas in the script and resolves every page to an image path with a size.
bool openAtlas(kvxRuntimeContextData &context, const QString &atlasPath, const QByteArray &atlasBytes)
{
    ScriptRuntime &script = context.script;
    const ScriptResult pages = script.call("openAtlas", {QJSValue(decodeText(atlasBytes))});
    if (!pages.ok)
        return fail(context, "Atlas could not be read: " + pages.error);
    const int count = pages.value.property(QStringLiteral("length")).toInt();
    for (int i = 0; i < count; ++i) {
        const QJSValue page = pages.value.property(quint32(i));
        const QString name = page.property(QStringLiteral("name")).toString();
        const QString imagePath = pageImagePath(atlasPath, name);
        context.pagePaths.push_back(imagePath.toStdString());
        if (page.property(QStringLiteral("width")).toInt() > 0 && page.property(QStringLiteral("height")).toInt() > 0)
            continue;
        // Older atlases may leave the size out; the image header has it.
        const QSize size = pageImageSize(imagePath);
        if (!size.isValid() || size.isEmpty())
            return fail(context, "Atlas page " + name.toStdString() + " has no size and its image could not be read.");
        const ScriptResult resized = script.call("setPageSize", {QJSValue(i), QJSValue(size.width()), QJSValue(size.height())});
        if (!resized.ok)
            return fail(context, "Atlas could not be read: " + resized.error);
    }
    return true;
}

void readMetadata(kvxRuntimeContextData &context, const QJSValue &info)
{
    const QJSValue animations = info.property(QStringLiteral("animations"));
    const int animationCount = animations.property(QStringLiteral("length")).toInt();
    for (int i = 0; i < animationCount; ++i) {
        const QJSValue entry = animations.property(quint32(i));
        context.animations.push_back({entry.property(0).toString().toStdString(), float(entry.property(1).toNumber())});
    }
    const QJSValue skins = info.property(QStringLiteral("skins"));
    const int skinCount = skins.property(QStringLiteral("length")).toInt();
    for (int i = 0; i < skinCount; ++i)
        context.skins.push_back(skins.property(quint32(i)).toString().toStdString());
}

// Runs script work under the watchdog. Work it had to stop leaves the skeleton half updated, so
// the context refuses further frames until the next load.
template <typename Work>
bool runWatched(kvxRuntimeContextData &context, int budgetMilliseconds, const char *activity, Work work)
{
    WatchedWork watch(context.watchdog, context.script.engine(), budgetMilliseconds);
    const bool ok = work();
    if (!watch.overran() || ok)
        return ok;
    context.loaded = false;
    context.frame.clear();
    context.stoppedReason = std::string(activity) + " took longer than " + budgetText(budgetMilliseconds)
                            + " and was stopped; the skeleton is too heavy to preview.";
    return fail(context, context.stoppedReason);
}

bool failNotLoaded(kvxRuntimeContextData &context)
{
    return fail(context, context.stoppedReason.empty() ? "No skeleton is loaded." : context.stoppedReason);
}

// A measure poses a scratch skeleton, so stopping it leaves the shown pose whole: the script puts
// that pose back and closes any clip, and only the measure fails. Should even that fail, the
// context is stopped like any overrun.
bool stopMeasure(kvxRuntimeContextData &context, int budgetMilliseconds)
{
    const std::string stopped =
        "Measuring the animation took longer than " + budgetText(budgetMilliseconds) + " and was stopped.";
    ScriptResult restored;
    {
        WatchedWork watch(context.watchdog, context.script.engine(), workBudgets().frameMilliseconds);
        restored = context.script.call("endMeasure", {});
    }
    if (restored.ok)
        return fail(context, stopped);
    context.loaded = false;
    context.frame.clear();
    context.stoppedReason = stopped + " The skeleton could not be restored: " + restored.error;
    return fail(context, context.stoppedReason);
}

// Reads skeleton and atlas, refusing what the engine must not be given; an empty error means
// both may go to the script.
std::string readInputs(const QString &skeletonPath, const QString &atlasPath, bool binary, QByteArray &skeletonBytes,
                       QByteArray &atlasBytes)
{
    const BoundedRead skeleton =
        readBoundedFile(skeletonPath, binary ? maxSkeletonBinaryBytes : maxSkeletonJsonBytes, "Skeleton data");
    if (!skeleton.ok)
        return skeleton.error;
    const BoundedRead atlas = readBoundedFile(atlasPath, maxAtlasBytes, "Atlas");
    if (!atlas.ok)
        return atlas.error;
    std::string refusal = binary ? std::string() : checkSkeletonJson(skeleton.bytes);
    if (refusal.empty())
        refusal = checkAtlasText(atlas.bytes);
    skeletonBytes = skeleton.bytes;
    atlasBytes = atlas.bytes;
    return refusal;
}

QJSValue skeletonInput(ScriptRuntime &script, const QByteArray &bytes, bool binary)
{
    if (binary)
        return script.engine().toScriptValue(bytes); // arrives as an ArrayBuffer
    return QJSValue(decodeText(bytes));
}

} // namespace

bool loadSkeleton(kvxRuntimeContextData &context, const kvxRuntimeLoadRequest &request)
{
    context.loaded = false;
    context.pagePaths.clear();
    context.animations.clear();
    context.skins.clear();
    context.frame.clear();
    context.stoppedReason.clear();
    if (!request.skeletonPath || !request.atlasPath)
        return fail(context, "Skeleton or atlas path is missing.");
    const QString skeletonPath = QString::fromUtf8(request.skeletonPath);
    const QString atlasPath = QString::fromUtf8(request.atlasPath);
    const bool binary = isBinarySkeleton(skeletonPath);
    QByteArray skeletonBytes, atlasBytes;
    std::string error = readInputs(skeletonPath, atlasPath, binary, skeletonBytes, atlasBytes);
    if (!error.empty())
        return fail(context, error);

    if (!context.script.start(error))
        return fail(context, error);
    const double scale = std::isfinite(request.scale) && request.scale > 0.0f ? request.scale : 1.0;
    const bool loaded = runWatched(context, workBudgets().loadMilliseconds, "Loading the skeleton", [&] {
        if (!openAtlas(context, atlasPath, atlasBytes))
            return false;
        const ScriptResult info = context.script.call(
            "loadSkeleton", {skeletonInput(context.script, skeletonBytes, binary), QJSValue(binary), QJSValue(scale)});
        if (!info.ok)
            return fail(context, "Skeleton data could not be read: " + info.error);
        readMetadata(context, info.value);
        return true;
    });
    context.loaded = loaded;
    return loaded;
}

bool selectAnimation(kvxRuntimeContextData &context, const char *name, bool loop)
{
    if (!context.loaded)
        return failNotLoaded(context);
    if (!name)
        return fail(context, "Animation name is missing.");
    return runWatched(context, workBudgets().frameMilliseconds, "Selecting the animation", [&] {
        const ScriptResult selected =
            context.script.call("setAnimation", {QJSValue(QString::fromUtf8(name)), QJSValue(loop)});
        return selected.ok || fail(context, selected.error);
    });
}

bool advance(kvxRuntimeContextData &context, float deltaSeconds)
{
    if (!context.loaded)
        return failNotLoaded(context);
    // The runtimes cannot play backwards or by an unknown amount.
    const double delta = std::isfinite(deltaSeconds) && deltaSeconds > 0.0f ? deltaSeconds : 0.0;
    return runWatched(context, workBudgets().frameMilliseconds, "Posing the frame", [&] {
        const ScriptResult frame = context.script.call("update", {QJSValue(delta)});
        if (!frame.ok) {
            context.frame.clear();
            return fail(context, "Frame could not be posed: " + frame.error);
        }
        std::string error;
        if (!context.frame.read(context.script.engine(), frame.value, context.pagePaths.size(), error))
            return fail(context, error);
        return true;
    });
}

bool selectSkin(kvxRuntimeContextData &context, const char *name)
{
    if (!context.loaded)
        return failNotLoaded(context);
    if (!name)
        return fail(context, "Skin name is missing.");
    return runWatched(context, workBudgets().frameMilliseconds, "Choosing the skin", [&] {
        const ScriptResult selected = context.script.call("setSkin", {QJSValue(QString::fromUtf8(name))});
        return selected.ok || fail(context, selected.error);
    });
}

bool selectSkins(kvxRuntimeContextData &context, const char *const *names, uint32_t count)
{
    if (!context.loaded)
        return failNotLoaded(context);
    if (!names || count == 0)
        return fail(context, "Skin names are missing.");
    // Names beyond the skeleton's own skins cannot all be different skins.
    if (count > context.skins.size())
        return fail(context, "More skins named than the skeleton has.");
    QJSValue list = context.script.engine().newArray(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (!names[i])
            return fail(context, "Skin name is missing.");
        list.setProperty(i, QString::fromUtf8(names[i]));
    }
    return runWatched(context, workBudgets().frameMilliseconds, "Combining the skins", [&] {
        const ScriptResult selected = context.script.call("setSkins", {list});
        return selected.ok || fail(context, selected.error);
    });
}

bool measureAnimation(kvxRuntimeContextData &context, const char *name, kvxRuntimeBounds &bounds)
{
    // Enough poses for 20 s at 30 frames a second; longer animations are sampled more sparsely.
    constexpr int maximumSteps = 600;
    if (!context.loaded)
        return failNotLoaded(context);
    if (!name)
        return fail(context, "Animation name is missing.");
    const WorkBudgets budgets = workBudgets();
    ScriptResult measured;
    bool overran = false;
    {
        WatchedWork watch(context.watchdog, context.script.engine(), budgets.measureMilliseconds);
        measured = context.script.call("animationBounds", {QJSValue(QString::fromUtf8(name)), QJSValue(maximumSteps),
                                                           QJSValue(budgets.measureSweepMilliseconds)});
        overran = watch.overran();
    }
    if (!measured.ok && overran)
        return stopMeasure(context, budgets.measureMilliseconds);
    if (!measured.ok)
        return fail(context, "Animation could not be measured: " + measured.error);
    if (!measured.value.isArray())
        return fail(context, "Animation draws nothing.");
    float box[4];
    for (quint32 i = 0; i < 4; ++i) {
        box[i] = float(measured.value.property(i).toNumber());
        if (!std::isfinite(box[i]))
            return fail(context, "Runtime script returned a malformed extent.");
    }
    bounds.x = box[0];
    bounds.y = box[1];
    bounds.width = box[2];
    bounds.height = box[3];
    return true;
}

} // namespace kvx::plugin
