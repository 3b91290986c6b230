// Plays an export with a bundled runtime script under node, the way a runtime plugin plays it
// under QJSEngine, and prints each frame's draw list as one JSON line.
//
// node nodeframes.mjs <runtimescript.js> <skeleton.json> <atlas> <animation or ""> <skin or ""> <delta>...
//
// The skin is one name, or a JSON array of names to combine.
//
// Output per frame: {"commands": [[firstVertex, vertexCount, firstIndex, indexCount, page, blend, dark]...],
// "vertices": [[x, y, u, v, color]...], "indices": [...]}.

import { readFileSync } from "node:fs";
import vm from "node:vm";

const [scriptPath, skeletonPath, atlasPath, animation, skin, ...deltas] = process.argv.slice(2);
const quiet = () => {};
const sandbox = { console: { log: quiet, info: quiet, warn: quiet, error: quiet, debug: quiet } };
vm.createContext(sandbox);
vm.runInContext(readFileSync(scriptPath, "utf8"), sandbox, { filename: scriptPath });
const runtime = sandbox.kvxRuntime.runtime;

const pages = runtime.openAtlas(readFileSync(atlasPath, "utf8").replace(/^\uFEFF/, ""));
if (pages.some((page) => !(page.width > 0 && page.height > 0)))
    throw new Error("fixtures give every page its size");
runtime.loadSkeleton(readFileSync(skeletonPath, "utf8").replace(/^\uFEFF/, ""), false, 1);
if (skin.startsWith("["))
    runtime.setSkins(JSON.parse(skin));
else if (skin)
    runtime.setSkin(skin);
if (animation)
    runtime.setAnimation(animation, true);

for (const delta of deltas) {
    // The plugin passes a float; the script sees it widened to a double.
    const frame = runtime.update(Math.fround(Number(delta)));
    const view = new DataView(frame.vertices);
    const vertices = [];
    for (let offset = 0; offset < frame.vertices.byteLength; offset += 20)
        vertices.push([view.getFloat32(offset, true), view.getFloat32(offset + 4, true), view.getFloat32(offset + 8, true),
            view.getFloat32(offset + 12, true), view.getUint32(offset + 16, true)]);
    const words = Array.from(new Uint32Array(frame.commands));
    const commands = [];
    for (let i = 0; i < words.length; i += 7)
        commands.push(words.slice(i, i + 7));
    process.stdout.write(JSON.stringify({ commands, vertices, indices: Array.from(new Uint16Array(frame.indices)) }) + "\n");
}
