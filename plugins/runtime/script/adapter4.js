// What the 4.x runtimes share; each line file overrides what its version changed.
import { guardAllocations } from "./inputlimits.js";
import { indexNameLookups } from "./lookups.js";

// The runtimes only need a texture for its image size (mesh UVs in 4.0 and 4.1) and to take
// filter and wrap settings; the host loads the page images itself.
function pageTexture(page) {
    return {
        getImage: () => ({ width: page.width, height: page.height }),
        setFilters() {},
        setWraps() {},
        dispose() {},
    };
}

export function spine4Adapter(spine) {
    // Bundled namespaces read their members through getters; per-frame checks use plain locals.
    const { RegionAttachment, MeshAttachment, ClippingAttachment } = spine;
    const geometry = { vertices: null, vertexCount: 0, uvs: null, region: null, triangles: null };
    guardAllocations(spine.Utils);
    indexNameLookups(spine.SkeletonData);
    return {
        yUp: true, // the host wants y down; the glue negates y rather than relying on Skeleton.yDown

        readAtlas(text) {
            const atlas = new spine.TextureAtlas(text);
            for (const page of atlas.pages)
                page.setTexture(pageTexture(page));
            return atlas;
        },
        atlasPages: (atlas) => atlas.pages,
        // Recomputes region UVs the way TextureAtlas does once the page size is known.
        resizePage(atlas, page, width, height) {
            page.width = width;
            page.height = height;
            for (const region of atlas.regions) {
                if (region.page !== page)
                    continue;
                const rotated = region.degrees == 90;
                region.u = region.x / width;
                region.v = region.y / height;
                region.u2 = (region.x + (rotated ? region.height : region.width)) / width;
                region.v2 = (region.y + (rotated ? region.width : region.height)) / height;
            }
        },

        readSkeletonData(atlas, input, binary, scale) {
            const loader = new spine.AtlasAttachmentLoader(atlas);
            const reader = binary ? new spine.SkeletonBinary(loader) : new spine.SkeletonJson(loader);
            reader.scale = scale;
            return reader.readSkeletonData(input);
        },
        // In its setup pose, wearing the skin (one of the data's or a combination) when one is given.
        newSkeleton(data, skin) {
            const skeleton = new spine.Skeleton(data);
            // Without a default skin nothing would show; the first skin stands in for it.
            const shown = skin || (!data.defaultSkin && data.skins.length > 0 ? data.skins[0] : null);
            if (shown)
                skeleton.setSkin(shown);
            this.setupPose(skeleton);
            return skeleton;
        },
        setupPose: (skeleton) => skeleton.setToSetupPose(),
        // Slots take the new skin's attachments at once; bones keep their pose.
        setSkin(skeleton, skin) {
            skeleton.setSkin(skin);
            skeleton.setSlotsToSetupPose();
        },
        newSkin: (name) => new spine.Skin(name),
        newAnimationState: (data) => new spine.AnimationState(new spine.AnimationStateData(data)),
        pose(skeleton, state, delta) {
            state.update(delta);
            state.apply(skeleton);
            skeleton.updateWorldTransform();
        },

        drawOrder: (skeleton) => skeleton.drawOrder,
        slotLook: (slot) => slot, // attachment and color live on the slot
        isRegion: (attachment) => attachment instanceof RegionAttachment,
        isMesh: (attachment) => attachment instanceof MeshAttachment,
        isClipping: (attachment) => attachment instanceof ClippingAttachment,
        blendMode: (slot) => slot.data.blendMode,

        regionGeometry(attachment, slot, look, vertices) {
            attachment.computeWorldVertices(slot, vertices, 0, 2);
            return fill(geometry, vertices, 4, attachment.uvs, attachment.region, null);
        },
        meshGeometry(skeleton, mesh, slot, look, vertices) {
            mesh.computeWorldVertices(slot, 0, mesh.worldVerticesLength, vertices, 0, 2);
            return fill(geometry, vertices, mesh.worldVerticesLength >> 1, mesh.uvs, mesh.region, mesh.triangles);
        },
    };
}

export function fill(geometry, vertices, vertexCount, uvs, region, triangles) {
    geometry.vertices = vertices;
    geometry.vertexCount = vertexCount;
    geometry.uvs = uvs;
    geometry.region = region;
    geometry.triangles = triangles;
    return geometry;
}
