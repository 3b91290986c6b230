// One face over the clipping API of each runtime generation. clip() returns the clipped
// triangles in the geometry form FrameWriter.add takes.

// Starting and ending clips the way 4.0 to 4.2 name it.
function slotClipControls(clipping) {
    return {
        start: (skeleton, slot, clip) => clipping.clipStart(slot, clip),
        end: (slot) => clipping.clipEndWithSlot(slot),
        endAll: () => clipping.clipEnd(),
        active: () => clipping.isClipping(),
        polygon: () => clipping.clippingPolygon, // world x, y pairs of the active clip
    };
}

// 4.0 and 4.1 (and the 3.8 line, which borrows the 4.0 clipper): triangles come back with
// interleaved x, y, r, g, b, a, u, v.
export function packedClipper(clipping, white, dark) {
    const out = { vertexCount: 0, positions: null, positionStride: 8, uvs: null, uvStride: 8, uvOffset: 6,
        triangles: null, triangleCount: 0 };
    return {
        ...slotClipControls(clipping),
        clip(vertices, vertexCount, triangles, triangleCount, uvs) {
            clipping.clipTriangles(vertices, vertexCount * 2, triangles, triangleCount, uvs, white, dark, false);
            out.positions = out.uvs = clipping.clippedVertices;
            out.vertexCount = clipping.clippedVertices.length / 8;
            out.triangles = clipping.clippedTriangles;
            out.triangleCount = clipping.clippedTriangles.length;
            return out;
        },
    };
}

// 4.2: positions and UVs in separate arrays.
export function unpackedClipper(clipping) {
    const out = { vertexCount: 0, positions: null, positionStride: 2, uvs: null, uvStride: 2, uvOffset: 0,
        triangles: null, triangleCount: 0 };
    return {
        ...slotClipControls(clipping),
        clip(vertices, vertexCount, triangles, triangleCount, uvs) {
            clipping.clipTrianglesUnpacked(vertices, triangles, triangleCount, uvs);
            out.positions = clipping.clippedVertices;
            out.uvs = clipping.clippedUVs;
            out.vertexCount = clipping.clippedVertices.length / 2;
            out.triangles = clipping.clippedTriangles;
            out.triangleCount = clipping.clippedTriangles.length;
            return out;
        },
    };
}

// 4.3: the skeleton is passed in, clipEnd takes the slot, results are typed arrays with lengths.
// A clipping slot first ends a clip that ends there, then starts its own, as 4.3 does.
export function posedClipper(clipping) {
    const out = { vertexCount: 0, positions: null, positionStride: 2, uvs: null, uvStride: 2, uvOffset: 0,
        triangles: null, triangleCount: 0 };
    return {
        start(skeleton, slot, clip) {
            clipping.clipEnd(slot);
            clipping.clipStart(skeleton, slot, clip);
        },
        end: (slot) => clipping.clipEnd(slot),
        endAll: () => clipping.clipEnd(),
        active: () => clipping.isClipping(),
        polygon: () => clipping.clippingPolygon,
        clip(vertices, vertexCount, triangles, triangleCount, uvs) {
            clipping.clipTrianglesUnpacked(vertices, 0, triangles, triangleCount, uvs, 2);
            out.positions = clipping.clippedVerticesTyped;
            out.uvs = clipping.clippedUVsTyped;
            out.vertexCount = clipping.clippedVerticesLength / 2;
            out.triangles = clipping.clippedTrianglesTyped;
            out.triangleCount = clipping.clippedTrianglesLength;
            return out;
        },
    };
}
