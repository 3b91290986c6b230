// Spine 4.0: region vertices are computed from the bone, and the clipper is the packed one.
import * as spine from "spine-core-4.0";
import { spine4Adapter, fill } from "./adapter4.js";
import { packedClipper } from "./clippers.js";
import { createRuntime } from "./glue.js";

const adapter = spine4Adapter(spine);
const geometry = {};
adapter.regionGeometry = (attachment, slot, look, vertices) => {
    attachment.computeWorldVertices(slot.bone, vertices, 0, 2);
    return fill(geometry, vertices, 4, attachment.uvs, attachment.region, null);
};
adapter.newClipper = () => packedClipper(new spine.SkeletonClipping(), new spine.Color(1, 1, 1, 1), new spine.Color(0, 0, 0, 0));

export const runtime = createRuntime(adapter);
