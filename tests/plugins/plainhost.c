/*
 * A host that is not a Qt program: plain C, linked against nothing but the dynamic loader. It
 * loads one runtime plugin, offers it a few hostile exports written here (each must fail its load
 * with a message and leave the plugin working), loads a small good export, samples a frame and
 * unloads.
 *
 * plainhost <plugin file> <line>    exits 0 when every step worked, 1 with a message otherwise
 */
#include "preview/kvxruntime.h"

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int failed(const char *step, const char *detail)
{
    fprintf(stderr, "plainhost: %s failed%s%s\n", step, detail ? ": " : "", detail ? detail : "");
    return 1;
}

static int writeFile(const char *path, const char *text)
{
    FILE *file = fopen(path, "wb");
    if (!file)
        return 0;
    const size_t length = strlen(text);
    const int written = fwrite(text, 1, length, file) == length;
    return fclose(file) == 0 && written;
}

static const char *const legacyAtlas = "\npage.png\nsize: 64,64\nformat: RGBA8888\nfilter: Linear,Linear\n"
                                       "repeat: none\nseg\n  rotate: false\n  xy: 0, 0\n  size: 20, 10\n"
                                       "  orig: 20, 10\n  offset: 0, 0\n  index: -1\n";
static const char *const currentAtlas = "page.png\nsize: 64,64\nfilter: Linear,Linear\nseg\nbounds: 0,0,20,10\n";

static const char *const segRegion = "{\"width\": 20, \"height\": 10}";

/* One 20 x 10 region (or the given attachment) on a bone, and an animation turning it. */
static void skeletonJson(char *out, size_t size, const char *line, const char *attachment)
{
    const int legacy = strcmp(line, "3.8") == 0;
    snprintf(out, size,
             "{\"skeleton\": {\"spine\": \"%s\"}, \"bones\": [{\"name\": \"root\"}, {\"name\": \"arm\", "
             "\"parent\": \"root\", \"x\": 10}], \"slots\": [{\"name\": \"arm\", \"bone\": \"arm\", \"attachment\": "
             "\"seg\"}], \"skins\": [{\"name\": \"default\", \"attachments\": {\"arm\": {\"seg\": %s}}}], "
             "\"animations\": {\"turn\": {\"bones\": {\"arm\": {\"rotate\": [{\"time\": 0, "
             "\"%s\": 0}, {\"time\": 1, \"%s\": 90}]}}}}}",
             legacy ? "3.8.99" : (strcmp(line, "4.0") == 0 ? "4.0.20" : "4.2.20"), attachment, legacy ? "angle" : "value",
             legacy ? "angle" : "value");
}

/* head, then piece count times, then tail. */
static int writeRepeated(const char *path, const char *head, const char *piece, long count, const char *tail)
{
    FILE *file = fopen(path, "wb");
    if (!file)
        return 0;
    int written = fputs(head, file) >= 0;
    for (long i = 0; written && i < count; ++i)
        written = fputs(piece, file) >= 0;
    written = written && fputs(tail, file) >= 0;
    return fclose(file) == 0 && written;
}

/* Crafted exports that once took a host down, each next to the good one in the folder. */
enum { hostileCount = 3 };
static const char *const hostileSkeletons[hostileCount] = {"skeleton.json", "hostile-array.json", "hostile-weights.json"};
static const char *const hostileAtlases[hostileCount] = {"hostile-lines.atlas", "skeleton.atlas", "skeleton.atlas"};
static const char *const hostileKinds[hostileCount] = {
    "an atlas of 600,000 lines", "a skeleton with an array of 600,000 values", "a mesh weighted to 10^9 bones"};
static const char *const hostileFiles[] = {"hostile-lines.atlas", "hostile-array.json", "hostile-weights.json"};

static int writeHostileExports(const char *folder, const char *line)
{
    const int legacy = strcmp(line, "3.8") == 0;
    char path[512], json[2048];
    snprintf(path, sizeof path, "%s/hostile-lines.atlas", folder);
    if (!writeRepeated(path, legacy ? legacyAtlas : currentAtlas, legacy ? "r\n  xy: 0, 0\n" : "r\nbounds:0,0,1,1\n",
                       300000, ""))
        return 0;
    /* The good skeleton behind a key the runtimes ignore, holding one long array. */
    skeletonJson(json, sizeof json, line, segRegion);
    snprintf(path, sizeof path, "%s/hostile-array.json", folder);
    if (!writeRepeated(path, "{\"padding\": [", "0, ", 600000, "0], ") || !(json[0] == '{'))
        return 0;
    FILE *file = fopen(path, "ab");
    if (!file || fputs(json + 1, file) < 0 || fclose(file) != 0)
        return 0;
    skeletonJson(json, sizeof json, line,
                 "{\"type\": \"mesh\", \"uvs\": [0, 0, 1, 0, 0, 1], \"vertices\": [1000000000, 0, 0, 0, 1, 1, 0, 5, 0, "
                 "1, 1, 0, 0, 5, 1], \"triangles\": [0, 1, 2], \"hull\": 3}");
    snprintf(path, sizeof path, "%s/hostile-weights.json", folder);
    return writeFile(path, json);
}

static void *symbol(void *library, const char *name)
{
    return dlsym(library, name);
}

/* The request for a skeleton and its atlas, zero-filled as the interface wants. */
static kvxRuntimeLoadRequest loadRequest(const char *skeletonPath, const char *atlasPath)
{
    kvxRuntimeLoadRequest request;
    memset(&request, 0, sizeof request);
    request.structSize = sizeof request;
    request.skeletonPath = skeletonPath;
    request.atlasPath = atlasPath;
    request.scale = 1.0f;
    return request;
}

static int sampleOnce(void *library, const char *folder, const char *line)
{
    kvxRuntimeGetApiVersionFn getApiVersion = (kvxRuntimeGetApiVersionFn)symbol(library, "kvxRuntimeGetApiVersion");
    kvxRuntimeCreateFn create = (kvxRuntimeCreateFn)symbol(library, "kvxRuntimeCreate");
    kvxRuntimeDestroyFn destroy = (kvxRuntimeDestroyFn)symbol(library, "kvxRuntimeDestroy");
    kvxRuntimeLoadFn load = (kvxRuntimeLoadFn)symbol(library, "kvxRuntimeLoad");
    kvxRuntimeGetLastErrorFn lastError = (kvxRuntimeGetLastErrorFn)symbol(library, "kvxRuntimeGetLastError");
    kvxRuntimeSetAnimationFn setAnimation = (kvxRuntimeSetAnimationFn)symbol(library, "kvxRuntimeSetAnimation");
    kvxRuntimeUpdateFn update = (kvxRuntimeUpdateFn)symbol(library, "kvxRuntimeUpdate");
    kvxRuntimeGetDrawCommandCountFn commandCount =
        (kvxRuntimeGetDrawCommandCountFn)symbol(library, "kvxRuntimeGetDrawCommandCount");
    kvxRuntimeGetDrawCommandFn getCommand = (kvxRuntimeGetDrawCommandFn)symbol(library, "kvxRuntimeGetDrawCommand");
    kvxRuntimeSetSkinFn setSkin = (kvxRuntimeSetSkinFn)symbol(library, "kvxRuntimeSetSkin");
    kvxRuntimeGetAnimationBoundsFn getBounds = (kvxRuntimeGetAnimationBoundsFn)symbol(library, "kvxRuntimeGetAnimationBounds");
    kvxRuntimeGetDrawCommandDarkColorFn getDark =
        (kvxRuntimeGetDrawCommandDarkColorFn)symbol(library, "kvxRuntimeGetDrawCommandDarkColor");
    if (!getApiVersion || !create || !destroy || !load || !lastError || !setAnimation || !update || !commandCount
        || !getCommand || !setSkin || !getBounds || !getDark)
        return failed("finding the exports", NULL);
    if (getApiVersion() != KVX_RUNTIME_API_VERSION)
        return failed("checking the interface version", NULL);

    char skeletonPath[512], atlasPath[512];
    snprintf(skeletonPath, sizeof skeletonPath, "%s/skeleton.json", folder);
    snprintf(atlasPath, sizeof atlasPath, "%s/skeleton.atlas", folder);

    kvxRuntimeContext context = create();
    if (!context)
        return failed("creating a context", NULL);
    kvxRuntimeLoadRequest request = loadRequest(skeletonPath, atlasPath);
    int result = 1;
    kvxRuntimeDrawCommand command;
    memset(&command, 0, sizeof command);
    command.structSize = sizeof command;
    uint32_t dark = 0xFFFFFFFFu;
    kvxRuntimeBounds bounds;
    memset(&bounds, 0, sizeof bounds);
    bounds.structSize = sizeof bounds;
    if (load(context, &request) != 0)
        failed("loading the skeleton", lastError(context));
    else if (setSkin(context, "default") != 0)
        failed("choosing the skin", lastError(context));
    else if (setAnimation(context, "turn", 1) != 0)
        failed("selecting the animation", lastError(context));
    else if (getBounds(context, "turn", &bounds) != 0 || !(bounds.width > 19.0f && bounds.height > 19.0f))
        failed("measuring the animation", lastError(context));
    else if (setAnimation(context, "turn", 1) != 0)
        failed("selecting the animation", lastError(context));
    else if (update(context, 0.5f) != 0)
        failed("sampling a frame", lastError(context));
    else if (commandCount(context) != 1 || getCommand(context, 0, &command) != 0)
        failed("reading the draw command", NULL);
    else if (command.vertexCount != 4 || command.indexCount != 6 || !command.texturePath)
        failed("checking the draw command", line);
    else if (getDark(context, 0, &dark) != 0 || dark != 0 || getDark(context, 1, &dark) == 0)
        failed("reading the dark colour", line); /* the slot has none: black; no second command */
    else
        result = 0;
    destroy(context);
    return result;
}

/* Each hostile export must fail its load with a message; the same context then loads the good
 * export and poses it. */
static int refuseHostile(void *library, const char *folder)
{
    kvxRuntimeCreateFn create = (kvxRuntimeCreateFn)symbol(library, "kvxRuntimeCreate");
    kvxRuntimeDestroyFn destroy = (kvxRuntimeDestroyFn)symbol(library, "kvxRuntimeDestroy");
    kvxRuntimeLoadFn load = (kvxRuntimeLoadFn)symbol(library, "kvxRuntimeLoad");
    kvxRuntimeGetLastErrorFn lastError = (kvxRuntimeGetLastErrorFn)symbol(library, "kvxRuntimeGetLastError");
    kvxRuntimeSetAnimationFn setAnimation = (kvxRuntimeSetAnimationFn)symbol(library, "kvxRuntimeSetAnimation");
    kvxRuntimeUpdateFn update = (kvxRuntimeUpdateFn)symbol(library, "kvxRuntimeUpdate");
    if (!create || !destroy || !load || !lastError || !setAnimation || !update)
        return failed("finding the exports", NULL);
    kvxRuntimeContext context = create();
    if (!context)
        return failed("creating a context", NULL);
    char skeletonPath[512], atlasPath[512];
    kvxRuntimeLoadRequest request = loadRequest(skeletonPath, atlasPath);
    int result = 0;
    for (int i = 0; i < hostileCount && result == 0; ++i) {
        snprintf(skeletonPath, sizeof skeletonPath, "%s/%s", folder, hostileSkeletons[i]);
        snprintf(atlasPath, sizeof atlasPath, "%s/%s", folder, hostileAtlases[i]);
        if (load(context, &request) == 0) {
            result = failed("refusing", hostileKinds[i]);
        } else {
            const char *message = lastError(context);
            if (!message || !*message)
                result = failed("explaining the refusal of", hostileKinds[i]);
            else
                printf("plainhost: %s refused: %s\n", hostileKinds[i], message);
        }
    }
    snprintf(skeletonPath, sizeof skeletonPath, "%s/skeleton.json", folder);
    snprintf(atlasPath, sizeof atlasPath, "%s/skeleton.atlas", folder);
    if (result == 0 && load(context, &request) != 0)
        result = failed("loading the skeleton after the refusals", lastError(context));
    if (result == 0 && (setAnimation(context, "turn", 1) != 0 || update(context, 0.5f) != 0))
        result = failed("sampling a frame after the refusals", lastError(context));
    destroy(context);
    return result;
}

int main(int argc, char **argv)
{
    if (argc != 3)
        return failed("reading the arguments", "plainhost <plugin file> <line>");
    char folder[] = "/tmp/kvx-plainhost-XXXXXX";
    if (!mkdtemp(folder))
        return failed("creating a folder", NULL);
    char path[512], json[2048];
    skeletonJson(json, sizeof json, argv[2], segRegion);
    snprintf(path, sizeof path, "%s/skeleton.json", folder);
    int result = writeFile(path, json) ? 0 : failed("writing the skeleton", NULL);
    snprintf(path, sizeof path, "%s/skeleton.atlas", folder);
    if (result == 0 && !writeFile(path, strcmp(argv[2], "3.8") == 0 ? legacyAtlas : currentAtlas))
        result = failed("writing the atlas", NULL);
    if (result == 0 && !writeHostileExports(folder, argv[2]))
        result = failed("writing the hostile exports", NULL);

    if (result == 0) {
        void *library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            result = failed("opening the plugin", dlerror());
        } else {
            /* Twice, with a context each time, as a host playing two skeletons would. */
            result = refuseHostile(library, folder) || sampleOnce(library, folder, argv[2])
                     || sampleOnce(library, folder, argv[2]);
            dlclose(library);
        }
    }

    snprintf(path, sizeof path, "%s/skeleton.json", folder);
    unlink(path);
    snprintf(path, sizeof path, "%s/skeleton.atlas", folder);
    unlink(path);
    for (size_t i = 0; i < sizeof hostileFiles / sizeof hostileFiles[0]; ++i) {
        snprintf(path, sizeof path, "%s/%s", folder, hostileFiles[i]);
        unlink(path);
    }
    rmdir(folder);
    if (result == 0)
        printf("plainhost: %s sampled a frame\n", argv[2]);
    return result;
}
