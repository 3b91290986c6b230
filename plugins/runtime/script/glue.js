// The part of every runtime plugin's script that does not depend on the Spine line: it loads
// an atlas and a skeleton through the line's adapter, plays one animation, and flattens each
// pose into the draw list the C++ side hands to the host.
//
// An adapter (see line-*.js) wraps one official runtime and smooths over what changed between
// its versions: how a skeleton is posed, where a slot's attachment and colour live, how region
// and mesh vertices are computed and how the clipper is called.

import { Extent, samplePasses } from "./extent.js";
import { FrameWriter } from "./framewriter.js";
import { checkSkeletonData, checkSkeletonJson } from "./inputlimits.js";

const QUAD_TRIANGLES = [0, 1, 2, 2, 3, 0];


export function createRuntime(adapter) {
    return new Runtime(adapter);
}

class Runtime {
    constructor(adapter) {
        this.adapter = adapter;
        this.atlas = null;
        this.pages = [];
        this.skeleton = null;
        this.state = null;
        this.clipper = null;
        this.writer = new FrameWriter();
        this.extent = null; // while measuring an animation, what its poses draw goes here instead
        this.measuring = null; // the shown pose and what is measured, while a scratch pose stands in
        this.boundsData = null; // the skeleton data boundsCache belongs to
        this.boundsCache = null;
        this.worldVertices = new Float32Array(1024);
        this.unclipped = { vertexCount: 0, positions: null, positionStride: 2, uvs: null, uvStride: 2, uvOffset: 0,
            triangles: null, triangleCount: 0 };
    }

    // Returns [{ name, width, height }] in page order; a width or height of 0 means the atlas
    // gave no size line and the C++ side must supply one through setPageSize.
    openAtlas(text) {
        this.atlas = this.adapter.readAtlas(text);
        this.pages = this.adapter.atlasPages(this.atlas);
        this.pages.forEach((page, index) => { page.kvxIndex = index; });
        return this.pages.map((page) => ({ name: page.name, width: page.width, height: page.height }));
    }

    setPageSize(index, width, height) {
        this.adapter.resizePage(this.atlas, this.pages[index], width, height);
    }

    // data is the JSON text, or an ArrayBuffer holding binary skeleton data.
    loadSkeleton(data, binary, scale) {
        const input = binary ? new Uint8Array(data) : checkedJson(data);
        const skeletonData = this.adapter.readSkeletonData(this.atlas, input, binary, scale);
        checkSkeletonData(skeletonData);
        this.skeleton = this.adapter.newSkeleton(skeletonData);
        this.state = this.adapter.newAnimationState(skeletonData);
        this.clipper = this.adapter.newClipper();
        return {
            animations: skeletonData.animations.map((animation) => [animation.name, animation.duration]),
            skins: skeletonData.skins.map((skin) => skin.name),
        };
    }

    // Throws the runtime's own error when the skeleton has no animation of that name, leaving the
    // pose as it was. The animation plays from a fresh skeleton and animation state on the skin
    // shown, exactly as after a new load: nothing of what played before stays, neither a track
    // entry to mix from nor physics, the skeleton's clock or a slot's state. So a context plays
    // an animation alike whatever it played before, and selecting again and again without a frame
    // between (as the first skin's choice does once per skin) costs each selection the same.
    setAnimation(name, loop) {
        const data = this.skeleton.data;
        const state = this.adapter.newAnimationState(data);
        state.setAnimation(0, name, loop);
        this.skeleton = this.adapter.newSkeleton(data, this.skeleton.skin);
        this.state = state;
    }

    // Throws when the skeleton has no skin of that name.
    setSkin(name) {
        this.adapter.setSkin(this.skeleton, this.namedSkin(name));
    }

    // The named skins combined in order into a new skin, as the runtimes combine part skins: a later
    // skin's attachment replaces an earlier one's for the same slot and name. Throws, leaving the
    // shown skin, when a name is unknown. The combination is named by its parts, so that measured
    // boxes are kept per combination.
    setSkins(names) {
        const parts = Array.from(names, (name) => this.namedSkin(name));
        const combined = this.adapter.newSkin(JSON.stringify(parts.map((skin) => skin.name)));
        for (const skin of parts)
            combined.addSkin(skin);
        this.adapter.setSkin(this.skeleton, combined);
    }

    namedSkin(name) {
        const skin = this.skeleton.data.findSkin(name);
        if (!skin)
            throw new Error(`Skeleton has no skin named ${name}.`);
        return skin;
    }

    // [x, y, width, height] (y down) holding every frame of the animation played once from its
    // start with the current skin, or null when no frame draws anything. It is measured on a
    // pose of its own, so the shown pose and its playback, physics included, stay as they are.
    // The sweep stops after budgetMilliseconds (its first, coarse pass always runs) and the box is
    // kept per skin and animation until the next load: selecting again costs nothing and frames
    // the same.
    animationBounds(name, maximumSteps, budgetMilliseconds) {
        this.endMeasure(); // a measure stopped from outside may not have put the shown pose back
        const data = this.skeleton.data;
        const animation = data.findAnimation(name);
        if (!animation)
            throw new Error(`Skeleton has no animation named ${name}.`);
        if (this.boundsData !== data) {
            this.boundsData = data;
            this.boundsCache = new Map();
        }
        const skin = this.skeleton.skin;
        const key = JSON.stringify([skin ? skin.name : null, name]);
        if (this.boundsCache.has(key))
            return this.boundsCache.get(key);
        this.measuring = { skeleton: this.skeleton, state: this.state, name, skin };
        let box;
        try {
            box = this.sweepBounds(animation.duration, maximumSteps, budgetMilliseconds);
        } finally {
            this.endMeasure();
        }
        this.boundsCache.set(key, box);
        return box;
    }

    // Puts the shown pose back after a measure and closes any clip a stopped pose left open.
    // Cheap and safe to call at any time.
    endMeasure() {
        if (this.measuring) {
            this.skeleton = this.measuring.skeleton;
            this.state = this.measuring.state;
            this.measuring = null;
        }
        this.extent = null;
        if (this.clipper)
            this.clipper.endAll();
    }

    // Poses a scratch skeleton at 30 frames a second (fewer over long animations) up to and
    // including the end, coarse to fine, and unites what each frame draws. Each pass plays from
    // the start on a fresh pose, so physics sees the same playback at every sampled time.
    sweepBounds(duration, maximumSteps, budgetMilliseconds) {
        const steps = duration > 0 ? Math.max(1, Math.min(maximumSteps, Math.ceil(duration * 30))) : 0;
        const started = Date.now();
        const passes = samplePasses(steps);
        this.extent = new Extent(this.adapter.yUp ? -1 : 1);
        for (let p = 0; p < passes.length; p++) {
            this.startScratchPose();
            let time = 0;
            for (const index of passes[p]) {
                if (p > 0 && Date.now() - started >= budgetMilliseconds)
                    return this.extent.toArray();
                const next = steps > 0 ? index * duration / steps : 0;
                this.adapter.pose(this.skeleton, this.state, next - time);
                time = next;
                this.drawSkeleton(false);
            }
        }
        return this.extent.toArray();
    }

    startScratchPose() {
        const { name, skin } = this.measuring;
        this.skeleton = this.adapter.newSkeleton(this.skeleton.data, skin);
        this.state = this.adapter.newAnimationState(this.skeleton.data);
        this.state.setAnimation(0, name, false);
    }

    update(deltaSeconds) {
        this.adapter.pose(this.skeleton, this.state, deltaSeconds);
        return this.drawSkeleton();
    }

    drawSkeleton(finish = true) {
        const adapter = this.adapter, skeleton = this.skeleton, clipper = this.clipper;
        const writer = this.writer;
        writer.begin(adapter.yUp);
        const slots = adapter.drawOrder(skeleton);
        for (let i = 0; i < slots.length; i++) {
            const slot = slots[i];
            const look = adapter.slotLook(slot);
            const attachment = look.attachment;
            if (attachment && slot.bone.active) {
                // As in the runtimes' own renderers, a clip ends only at a later slot.
                if (adapter.isClipping(attachment)) {
                    clipper.start(skeleton, slot, attachment);
                    continue;
                }
                this.drawAttachment(slot, look, attachment);
            }
            clipper.end(slot);
        }
        clipper.endAll();
        return finish ? writer.finish() : null;
    }

    drawAttachment(slot, look, attachment) {
        const adapter = this.adapter;
        const color = packColor(this.skeleton.color, look.color, attachment.color || look.color);
        if (color >>> 24 === 0)
            return;
        let geometry;
        if (adapter.isRegion(attachment))
            geometry = adapter.regionGeometry(attachment, slot, look, this.worldVertices);
        else if (adapter.isMesh(attachment))
            geometry = adapter.meshGeometry(this.skeleton, attachment, slot, look, this.verticesFor(attachment));
        else
            return; // bounding boxes, paths and points have nothing to draw
        if (!geometry.region || !geometry.region.page)
            return;
        if (this.extent) {
            this.extent.add(geometry.vertices, geometry.vertexCount, this.clipper.active() ? this.clipper.polygon() : null);
            return;
        }
        const page = geometry.region.page.kvxIndex;
        const blend = adapter.blendMode(slot);
        const dark = look.darkColor ? packDark(look.darkColor) : 0;
        const triangles = geometry.triangles || QUAD_TRIANGLES;
        if (this.clipper.active()) {
            const clipped = this.clipper.clip(geometry.vertices, geometry.vertexCount, triangles, triangles.length, geometry.uvs);
            this.writer.add(page, blend, color, dark, clipped);
        } else {
            const unclipped = this.unclipped;
            unclipped.vertexCount = geometry.vertexCount;
            unclipped.positions = geometry.vertices;
            unclipped.uvs = geometry.uvs;
            unclipped.triangles = triangles;
            unclipped.triangleCount = triangles.length;
            this.writer.add(page, blend, color, dark, unclipped);
        }
    }

    verticesFor(mesh) {
        if (this.worldVertices.length < mesh.worldVerticesLength)
            this.worldVertices = new Float32Array(mesh.worldVerticesLength);
        return this.worldVertices;
    }
}

// The runtimes take parsed JSON as well as text; parsing here lets the counts be checked first.
function checkedJson(text) {
    const root = JSON.parse(text);
    checkSkeletonJson(root);
    return root;
}

// 0xAARRGGBB from skeleton × slot × attachment colour, straight (not premultiplied); rounded so
// that a colour read from "80" hex digits comes back as 0x80.
function packColor(skeletonColor, slotColor, attachmentColor) {
    const a = toByte(skeletonColor.a * slotColor.a * attachmentColor.a);
    const r = toByte(skeletonColor.r * slotColor.r * attachmentColor.r);
    const g = toByte(skeletonColor.g * slotColor.g * attachmentColor.g);
    const b = toByte(skeletonColor.b * slotColor.b * attachmentColor.b);
    return ((a << 24) | (r << 16) | (g << 8) | b) >>> 0;
}

// 0x00RRGGBB of a slot's dark colour (two-colour tint), straight as the slot holds it: renderers
// scale it by the attachment's alpha themselves where they draw premultiplied.
function packDark(dark) {
    return ((toByte(dark.r) << 16) | (toByte(dark.g) << 8) | toByte(dark.b)) >>> 0;
}

function toByte(fraction) {
    const value = Math.round(fraction * 255);
    return value < 0 ? 0 : value > 255 ? 255 : value;
}
