// Spine 4.3: slots and the draw order are read through their applied poses, and region and
// mesh UVs come from the attachment's sequence.
import * as spine from "spine-core-4.3";
import { spine4Adapter, fill } from "./adapter4.js";
import { posedClipper } from "./clippers.js";
import { createRuntime } from "./glue.js";

const adapter = spine4Adapter(spine);
const geometry = {};
adapter.setupPose = (skeleton) => skeleton.setupPose();
adapter.setSkin = (skeleton, skin) => {
    skeleton.setSkin(skin);
    skeleton.setupPoseSlots();
};
adapter.pose = (skeleton, state, delta) => {
    state.update(delta);
    state.apply(skeleton);
    skeleton.update(delta);
    skeleton.updateWorldTransform(spine.Physics.update);
};
adapter.drawOrder = (skeleton) => skeleton.drawOrder.appliedPose;
adapter.slotLook = (slot) => slot.appliedPose;
adapter.regionGeometry = (attachment, slot, look, vertices) => {
    const sequence = attachment.sequence, index = sequence.resolveIndex(look);
    attachment.computeWorldVertices(slot, attachment.getOffsets(look), vertices, 0, 2);
    return fill(geometry, vertices, 4, sequence.getUVs(index), sequence.regions[index], null);
};
adapter.meshGeometry = (skeleton, mesh, slot, look, vertices) => {
    const sequence = mesh.sequence, index = sequence.resolveIndex(look);
    mesh.computeWorldVertices(skeleton, slot, 0, mesh.worldVerticesLength, vertices, 0, 2);
    return fill(geometry, vertices, mesh.worldVerticesLength >> 1, sequence.getUVs(index), sequence.regions[index], mesh.triangles);
};
adapter.newClipper = () => posedClipper(new spine.SkeletonClipping());

export const runtime = createRuntime(adapter);
