// Spine 4.2: physics constraints need the skeleton's own clock and a physics mode.
import * as spine from "spine-core-4.2";
import { spine4Adapter } from "./adapter4.js";
import { unpackedClipper } from "./clippers.js";
import { createRuntime } from "./glue.js";

const adapter = spine4Adapter(spine);
adapter.pose = (skeleton, state, delta) => {
    state.update(delta);
    state.apply(skeleton);
    skeleton.update(delta);
    skeleton.updateWorldTransform(spine.Physics.update);
};
adapter.newClipper = () => unpackedClipper(new spine.SkeletonClipping());

export const runtime = createRuntime(adapter);
