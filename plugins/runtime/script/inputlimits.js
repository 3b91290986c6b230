// Checks on skeleton data that the official runtimes take on trust. A crafted file could make
// them loop once per claimed element (a weighted vertex naming 10^9 bones) or allocate what the
// file only claims (a path of 3·10^8 vertices); these checks turn that into a failed load.

// Far above any real skeleton (the largest real ones have a few thousand of each), low enough
// that this engine reads one in about a second and poses it well within the frame budget.
export const MAX_BONES = 10000;
export const MAX_SLOTS = 10000;
// Elements of one array the runtime allocates from a count in the file: a timeline of 200,000
// keys needs about 1.6 million; larger claims are refused before the allocation.
export const MAX_ARRAY_LENGTH = 4 * 1024 * 1024;

function refuse(message) {
    throw new Error(message);
}

// Makes the runtime's array helpers refuse lengths no real skeleton needs.
export function guardAllocations(Utils) {
    if (!Utils)
        return;
    for (const name of ["newArray", "newFloatArray", "newShortArray"]) {
        const original = Utils[name];
        if (typeof original !== "function")
            continue;
        Utils[name] = function (length, value) {
            if (!(length <= MAX_ARRAY_LENGTH))
                refuse(`Skeleton data asks for an array of ${length} elements; at most ${MAX_ARRAY_LENGTH} are allowed.`);
            return original.call(Utils, length, value);
        };
    }
}

// JSON before the runtime reads it: the vertex lists it would walk by the counts they contain.
export function checkSkeletonJson(root) {
    if (!root || typeof root !== "object")
        refuse("Skeleton data is not a JSON object.");
    const boneCount = Array.isArray(root.bones) ? root.bones.length : 0;
    if (boneCount > MAX_BONES)
        refuse(`Skeleton has ${boneCount} bones; the preview plays at most ${MAX_BONES}.`);
    forEachJsonAttachment(root.skins, (map, name) => checkJsonAttachment(map, name, boneCount));
}

function forEachJsonAttachment(skins, visit) {
    if (!skins || typeof skins !== "object")
        return;
    // Skins are a list since 3.8 and a map of name to slots before.
    const slotMaps = Array.isArray(skins) ? skins.map((skin) => skin && skin.attachments) : Object.values(skins);
    for (const slots of slotMaps) {
        if (!slots || typeof slots !== "object")
            continue;
        for (const slotName of Object.keys(slots)) {
            const attachments = slots[slotName];
            if (!attachments || typeof attachments !== "object")
                continue;
            for (const name of Object.keys(attachments))
                visit(attachments[name], name);
        }
    }
}

function checkJsonAttachment(map, name, boneCount) {
    if (!map || typeof map !== "object")
        return;
    switch (map.type) {
    case "mesh": {
        if (map.parent)
            return; // a linked mesh takes its parent's vertices
        const uvs = map.uvs;
        if (!Array.isArray(uvs) || uvs.length % 2 !== 0)
            refuse(`Mesh ${name} has no list of UV pairs.`);
        checkJsonVertices(map.vertices, uvs.length / 2, boneCount, name);
        checkTriangles(map.triangles, uvs.length / 2, name);
        return;
    }
    case "path":
    case "boundingbox":
    case "clipping": {
        const vertexCount = map.vertexCount;
        if (!Number.isInteger(vertexCount) || vertexCount < 0)
            refuse(`Attachment ${name} has an invalid vertex count.`);
        checkJsonVertices(map.vertices, vertexCount, boneCount, name);
        return;
    }
    default:
        return;
    }
}

// Plain vertices are two numbers each; weighted ones a bone count followed by that many
// (bone, x, y, weight) groups.
function checkJsonVertices(vertices, vertexCount, boneCount, name) {
    if (!Array.isArray(vertices))
        refuse(`Attachment ${name} has no vertices.`);
    if (vertices.length === vertexCount * 2)
        return;
    let count = 0;
    for (let i = 0; i < vertices.length; count++) {
        const bones = vertices[i++];
        if (!Number.isInteger(bones) || bones < 0 || bones > boneCount || i + bones * 4 > vertices.length)
            refuse(`Attachment ${name} has a vertex weighted to ${bones} bones; the skeleton has ${boneCount}.`);
        for (const end = i + bones * 4; i < end; i += 4)
            checkBoneIndex(vertices[i], boneCount, name);
    }
    if (count !== vertexCount)
        refuse(`Attachment ${name} lists ${count} vertices but claims ${vertexCount}.`);
}

function checkBoneIndex(bone, boneCount, name) {
    if (!Number.isInteger(bone) || bone < 0 || bone >= boneCount)
        refuse(`Attachment ${name} names bone ${bone}; the skeleton has ${boneCount}.`);
}

function checkTriangles(triangles, vertexCount, name) {
    if (!triangles)
        return;
    for (let i = 0; i < triangles.length; i++) {
        const index = triangles[i];
        if (!Number.isInteger(index) || index < 0 || index >= vertexCount)
            refuse(`Mesh ${name} has a triangle corner ${index}; it has ${vertexCount} vertices.`);
    }
}

// Skeleton data as either reader built it, before a skeleton is made from it: binary files
// reach here unchecked.
export function checkSkeletonData(data) {
    if (data.bones.length > MAX_BONES)
        refuse(`Skeleton has ${data.bones.length} bones; the preview plays at most ${MAX_BONES}.`);
    if (data.slots.length > MAX_SLOTS)
        refuse(`Skeleton has ${data.slots.length} slots; the preview plays at most ${MAX_SLOTS}.`);
    const boneCount = data.bones.length;
    for (const skin of data.skins) {
        for (const entry of skin.getAttachments())
            checkVertexAttachment(entry.attachment, entry.name || entry.placeholder, boneCount);
    }
}

function checkVertexAttachment(attachment, name, boneCount) {
    if (!attachment || typeof attachment.worldVerticesLength !== "number")
        return;
    const vertexCount = attachment.worldVerticesLength / 2;
    const bones = attachment.bones;
    if (bones) {
        let count = 0;
        for (let i = 0; i < bones.length; count++) {
            const n = bones[i++];
            if (!Number.isInteger(n) || n < 0 || i + n > bones.length)
                refuse(`Attachment ${name} has a vertex weighted to ${n} bones; the skeleton has ${boneCount}.`);
            for (const end = i + n; i < end; i++)
                checkBoneIndex(bones[i], boneCount, name);
        }
        if (count !== vertexCount)
            refuse(`Attachment ${name} lists ${count} vertices but claims ${vertexCount}.`);
    } else if (attachment.vertices && attachment.vertices.length < attachment.worldVerticesLength) {
        refuse(`Attachment ${name} lists ${attachment.vertices.length / 2} vertices but claims ${vertexCount}.`);
    }
    if (attachment.triangles)
        checkTriangles(attachment.triangles, vertexCount, name);
}
