// Counts how often a bundled runtime script reads the entries of its skeleton's skin and
// animation lists while the first skin shown is chosen: every skin set in turn, the animation
// selected again and the first frame posed, as the host's choice asks the plugin to.
//
// node skinlookups.mjs <runtimescript.js> <skeleton.json> <atlas> <animation>
//
// Prints {"skins": <count>, "reads": <entries read>, "mixing": <entries the track mixes from>}.

import { readFileSync } from "node:fs";
import vm from "node:vm";

const [scriptPath, skeletonPath, atlasPath, animation] = process.argv.slice(2);
const quiet = () => {};
const sandbox = { console: { log: quiet, info: quiet, warn: quiet, error: quiet, debug: quiet } };
vm.createContext(sandbox);
vm.runInContext(readFileSync(scriptPath, "utf8"), sandbox, { filename: scriptPath });
const runtime = sandbox.kvxRuntime.runtime;

runtime.openAtlas(readFileSync(atlasPath, "utf8"));
const info = runtime.loadSkeleton(readFileSync(skeletonPath, "utf8"), false, 1);

let reads = 0;
const counted = (list) => new Proxy(list, {
    get(target, key, receiver) {
        if (typeof key === "string" && /^[0-9]+$/.test(key))
            reads++;
        return Reflect.get(target, key, receiver);
    },
});
const data = runtime.skeleton.data;
data.skins = counted(data.skins);
data.animations = counted(data.animations);

for (const skin of info.skins) {
    runtime.setSkin(skin);
    runtime.setAnimation(animation, true);
    runtime.update(0);
}
let mixing = 0;
for (let entry = runtime.state.tracks[0]; entry && entry.mixingFrom; entry = entry.mixingFrom)
    mixing++;
process.stdout.write(JSON.stringify({ skins: info.skins.length, reads, mixing }) + "\n");
