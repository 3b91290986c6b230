// Spine 3.8: the official 3.8 runtime logic as packaged for a rendering framework, which reads
// UVs from that framework's textures. The glue computes region and mesh UVs the way the 3.8
// runtime does, and borrows the 4.0 runtime's clipper, whose algorithm 3.8 shares.
import { Color, TextureAtlas, Utils, settings } from "@pixi-spine/base";
import { AnimationState } from "pixi-spine-3.8-files/core/AnimationState.mjs";
import { AnimationStateData } from "pixi-spine-3.8-files/core/AnimationStateData.mjs";
import { AtlasAttachmentLoader } from "pixi-spine-3.8-files/core/AtlasAttachmentLoader.mjs";
import { Skeleton } from "pixi-spine-3.8-files/core/Skeleton.mjs";
import { SkeletonBinary } from "pixi-spine-3.8-files/core/SkeletonBinary.mjs";
import { SkeletonData } from "pixi-spine-3.8-files/core/SkeletonData.mjs";
import { SkeletonJson } from "pixi-spine-3.8-files/core/SkeletonJson.mjs";
import { Skin } from "pixi-spine-3.8-files/core/Skin.mjs";
import { ClippingAttachment } from "pixi-spine-3.8-files/core/attachments/ClippingAttachment.mjs";
import { MeshAttachment } from "pixi-spine-3.8-files/core/attachments/MeshAttachment.mjs";
import { RegionAttachment } from "pixi-spine-3.8-files/core/attachments/RegionAttachment.mjs";
import { SkeletonClipping } from "spine-core-4.0/dist/SkeletonClipping.js";
import { pageBaseTexture } from "./pixi-standins.js";
import { spine4Adapter, fill } from "./adapter4.js";
import { packedClipper } from "./clippers.js";
import { createRuntime } from "./glue.js";
import { guardAllocations } from "./inputlimits.js";
import { indexNameLookups } from "./lookups.js";

// Pose in the runtime's own y-up space, like every other line; the glue flips y.
settings.yDown = false;

const classes = { TextureAtlas, AtlasAttachmentLoader, SkeletonBinary, SkeletonJson, Skeleton, Skin, AnimationState,
    AnimationStateData, RegionAttachment, MeshAttachment, ClippingAttachment };
const adapter = spine4Adapter(classes);
guardAllocations(Utils);
indexNameLookups(SkeletonData);
const geometry = {};

adapter.readAtlas = (text) => new TextureAtlas(text, (name, done) => done(pageBaseTexture()));
adapter.resizePage = (atlas, page, width, height) => {
    page.width = width;
    page.height = height;
};
adapter.regionGeometry = (attachment, slot, look, vertices) => {
    if (!attachment.kvxUVs)
        prepareRegion(attachment);
    attachment.computeWorldVertices(slot.bone, vertices, 0, 2);
    return fill(geometry, vertices, 4, attachment.kvxUVs, attachment.region, null);
};
adapter.meshGeometry = (skeleton, mesh, slot, look, vertices) => {
    if (!mesh.kvxUVs)
        mesh.kvxUVs = meshUVs(mesh);
    mesh.computeWorldVertices(slot, 0, mesh.worldVerticesLength, vertices, 0, 2);
    return fill(geometry, vertices, mesh.worldVerticesLength >> 1, mesh.kvxUVs, mesh.region, mesh.triangles);
};
adapter.newClipper = () => packedClipper(new SkeletonClipping(), new Color(1, 1, 1, 1), new Color(0, 0, 0, 0));

// The region's packed rectangle as page fractions; the frame is already swapped when rotated.
function regionBounds(region) {
    const frame = region.texture.frame, page = region.page;
    return {
        u: frame.x / page.width, v: frame.y / page.height,
        u2: (frame.x + frame.width) / page.width, v2: (frame.y + frame.height) / page.height,
    };
}

function prepareRegion(attachment) {
    attachment.updateOffset();
    const { u, v, u2, v2 } = regionBounds(attachment.region);
    attachment.kvxUVs = attachment.region.rotate
        ? new Float32Array([u2, v2, u, v2, u, v, u2, v])
        : new Float32Array([u, v2, u, v, u2, v, u2, v2]);
}

function meshUVs(mesh) {
    const regionUVs = mesh.regionUVs, uvs = new Float32Array(regionUVs.length);
    const { u, v, u2, v2 } = regionBounds(mesh.region);
    const width = u2 - u, height = v2 - v;
    for (let i = 0; i < uvs.length; i += 2) {
        if (mesh.region.rotate) {
            uvs[i] = u + regionUVs[i + 1] * width;
            uvs[i + 1] = v + height - regionUVs[i] * height;
        } else {
            uvs[i] = u + regionUVs[i] * width;
            uvs[i + 1] = v + regionUVs[i + 1] * height;
        }
    }
    return uvs;
}

export const runtime = createRuntime(adapter);
