/*
 * A host that is not a Qt program: plain C, linked against nothing but the dynamic loader. It
 * loads one runtime plugin, loads a small export written here, samples a frame and unloads.
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

/* One 20 x 10 region on a bone, and an animation turning it. */
static void skeletonJson(char *out, size_t size, const char *line)
{
    const int legacy = strcmp(line, "3.8") == 0;
    snprintf(out, size,
             "{\"skeleton\": {\"spine\": \"%s\"}, \"bones\": [{\"name\": \"root\"}, {\"name\": \"arm\", "
             "\"parent\": \"root\", \"x\": 10}], \"slots\": [{\"name\": \"arm\", \"bone\": \"arm\", \"attachment\": "
             "\"seg\"}], \"skins\": [{\"name\": \"default\", \"attachments\": {\"arm\": {\"seg\": {\"width\": 20, "
             "\"height\": 10}}}}], \"animations\": {\"turn\": {\"bones\": {\"arm\": {\"rotate\": [{\"time\": 0, "
             "\"%s\": 0}, {\"time\": 1, \"%s\": 90}]}}}}}",
             legacy ? "3.8.99" : (strcmp(line, "4.0") == 0 ? "4.0.20" : "4.2.20"), legacy ? "angle" : "value",
             legacy ? "angle" : "value");
}

static void *symbol(void *library, const char *name)
{
    return dlsym(library, name);
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
    if (!getApiVersion || !create || !destroy || !load || !lastError || !setAnimation || !update || !commandCount
        || !getCommand || !setSkin || !getBounds)
        return failed("finding the exports", NULL);
    if (getApiVersion() != KVX_RUNTIME_API_VERSION)
        return failed("checking the interface version", NULL);

    char skeletonPath[512], atlasPath[512];
    snprintf(skeletonPath, sizeof skeletonPath, "%s/skeleton.json", folder);
    snprintf(atlasPath, sizeof atlasPath, "%s/skeleton.atlas", folder);

    kvxRuntimeContext context = create();
    if (!context)
        return failed("creating a context", NULL);
    kvxRuntimeLoadRequest request;
    memset(&request, 0, sizeof request);
    request.structSize = sizeof request;
    request.skeletonPath = skeletonPath;
    request.atlasPath = atlasPath;
    request.scale = 1.0f;
    int result = 1;
    kvxRuntimeDrawCommand command;
    memset(&command, 0, sizeof command);
    command.structSize = sizeof command;
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
    else
        result = 0;
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
    skeletonJson(json, sizeof json, argv[2]);
    snprintf(path, sizeof path, "%s/skeleton.json", folder);
    int result = writeFile(path, json) ? 0 : failed("writing the skeleton", NULL);
    snprintf(path, sizeof path, "%s/skeleton.atlas", folder);
    if (result == 0 && !writeFile(path, strcmp(argv[2], "3.8") == 0 ? legacyAtlas : currentAtlas))
        result = failed("writing the atlas", NULL);

    if (result == 0) {
        void *library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            result = failed("opening the plugin", dlerror());
        } else {
            /* Twice, with a context each time, as a host playing two skeletons would. */
            result = sampleOnce(library, folder, argv[2]) || sampleOnce(library, folder, argv[2]);
            dlclose(library);
        }
    }

    snprintf(path, sizeof path, "%s/skeleton.json", folder);
    unlink(path);
    snprintf(path, sizeof path, "%s/skeleton.atlas", folder);
    unlink(path);
    rmdir(folder);
    if (result == 0)
        printf("plainhost: %s sampled a frame\n", argv[2]);
    return result;
}
