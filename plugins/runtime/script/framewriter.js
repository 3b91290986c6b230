// Collects one frame's triangles in the exact memory layout of the plugin interface, so the C++
// side copies three buffers per frame instead of reading every vertex through the engine:
// - vertices: 20 bytes each, float x, y, u, v and uint32 colour 0xAARRGGBB (little-endian);
// - indices: uint16, relative to the first vertex of their command;
// - commands: 7 uint32 each: first vertex, vertex count, first index, index count, page, blend,
//   dark colour (0x00RRGGBB, black for slots without one).
// Consecutive triangles sharing page, blend mode and dark colour form one command, as long as its
// vertices can still be named by 16-bit indices; a mesh with more vertices than that is split.

const VERTEX_FLOATS = 5;
const COMMAND_WORDS = 7;
const MAX_COMMAND_VERTICES = 65536;

export class FrameWriter {
    constructor() {
        this.vertexFloats = new Float32Array(1024 * VERTEX_FLOATS);
        this.vertexWords = new Uint32Array(this.vertexFloats.buffer);
        this.indices = new Uint16Array(4096);
        this.commands = new Uint32Array(64 * COMMAND_WORDS);
        this.begin(false);
    }

    begin(flipY) {
        this.ySign = flipY ? -1 : 1;
        this.vertexCount = 0;
        this.indexCount = 0;
        this.commandCount = 0;
    }

    // geometry: { vertexCount, positions, positionStride, uvs, uvStride, uvOffset, triangles, triangleCount }
    add(page, blend, color, dark, geometry) {
        const count = geometry.vertexCount;
        if (count === 0 || geometry.triangleCount < 3)
            return;
        if (count > MAX_COMMAND_VERTICES) {
            this.addSplit(page, blend, color, dark, geometry);
            return;
        }
        const command = this.commandFor(page, blend, dark, count);
        const base = this.vertexCount - this.commands[command];
        this.writeVertices(color, geometry);
        this.writeIndices(base, geometry.triangles, geometry.triangleCount);
        this.commands[command + 1] += count;
        this.commands[command + 3] += geometry.triangleCount;
    }

    // Offset of the command that takes the next triangles, opening a new one when needed.
    commandFor(page, blend, dark, vertexCount) {
        if (this.commandCount > 0) {
            const last = (this.commandCount - 1) * COMMAND_WORDS;
            const commands = this.commands;
            if (commands[last + 4] === page && commands[last + 5] === blend && commands[last + 6] === dark
                && commands[last + 1] + vertexCount <= MAX_COMMAND_VERTICES)
                return last;
        }
        return this.openCommand(page, blend, dark);
    }

    openCommand(page, blend, dark) {
        if ((this.commandCount + 1) * COMMAND_WORDS > this.commands.length)
            this.commands = grow(this.commands, (this.commandCount + 1) * COMMAND_WORDS);
        const offset = this.commandCount * COMMAND_WORDS;
        const commands = this.commands;
        commands[offset] = this.vertexCount;
        commands[offset + 1] = 0;
        commands[offset + 2] = this.indexCount;
        commands[offset + 3] = 0;
        commands[offset + 4] = page;
        commands[offset + 5] = blend;
        commands[offset + 6] = dark;
        this.commandCount++;
        return offset;
    }

    // Triangle by triangle, each command taking the vertices its triangles use (copied on first
    // use) until it holds as many as 16-bit indices can name.
    addSplit(page, blend, color, dark, g) {
        const triangles = g.triangles, remap = new Int32Array(g.vertexCount).fill(-1);
        let command = -1, used = [];
        for (let t = 0; t + 2 < g.triangleCount; t += 3) {
            if (command < 0 || this.commands[command + 1] + 3 > MAX_COMMAND_VERTICES) {
                for (const vertex of used)
                    remap[vertex] = -1;
                used = [];
                command = this.openCommand(page, blend, dark);
            }
            this.reserve(3, 3);
            for (let k = 0; k < 3; k++) {
                const vertex = triangles[t + k];
                if (remap[vertex] < 0) {
                    remap[vertex] = this.commands[command + 1]++;
                    used.push(vertex);
                    this.writeVertex(color, g, vertex);
                }
                this.indices[this.indexCount++] = remap[vertex];
            }
            this.commands[command + 3] += 3;
        }
    }

    reserve(vertexCount, indexCount) {
        const needed = (this.vertexCount + vertexCount) * VERTEX_FLOATS;
        if (needed > this.vertexFloats.length) {
            this.vertexFloats = grow(this.vertexFloats, needed);
            this.vertexWords = new Uint32Array(this.vertexFloats.buffer);
        }
        if (this.indexCount + indexCount > this.indices.length)
            this.indices = grow(this.indices, this.indexCount + indexCount);
    }

    writeVertex(color, g, vertex) {
        const out = this.vertexCount * VERTEX_FLOATS, p = vertex * g.positionStride, t = g.uvOffset + vertex * g.uvStride;
        this.vertexFloats[out] = g.positions[p];
        this.vertexFloats[out + 1] = g.positions[p + 1] * this.ySign;
        this.vertexFloats[out + 2] = g.uvs[t];
        this.vertexFloats[out + 3] = g.uvs[t + 1];
        this.vertexWords[out + 4] = color;
        this.vertexCount++;
    }

    writeVertices(color, g) {
        const count = g.vertexCount;
        const needed = (this.vertexCount + count) * VERTEX_FLOATS;
        if (needed > this.vertexFloats.length) {
            this.vertexFloats = grow(this.vertexFloats, needed);
            this.vertexWords = new Uint32Array(this.vertexFloats.buffer);
        }
        const floats = this.vertexFloats, words = this.vertexWords, ySign = this.ySign;
        const positions = g.positions, positionStride = g.positionStride, uvs = g.uvs, uvStride = g.uvStride;
        let out = this.vertexCount * VERTEX_FLOATS;
        for (let i = 0, p = 0, t = g.uvOffset; i < count; i++, p += positionStride, t += uvStride) {
            floats[out] = positions[p];
            floats[out + 1] = positions[p + 1] * ySign;
            floats[out + 2] = uvs[t];
            floats[out + 3] = uvs[t + 1];
            words[out + 4] = color;
            out += VERTEX_FLOATS;
        }
        this.vertexCount += count;
    }

    writeIndices(base, triangles, count) {
        if (this.indexCount + count > this.indices.length)
            this.indices = grow(this.indices, this.indexCount + count);
        const indices = this.indices;
        for (let i = 0, out = this.indexCount; i < count; i++, out++)
            indices[out] = triangles[i] + base;
        this.indexCount += count;
    }

    finish() {
        return {
            vertices: this.vertexFloats.buffer.slice(0, this.vertexCount * VERTEX_FLOATS * 4),
            indices: this.indices.buffer.slice(0, this.indexCount * 2),
            commands: this.commands.buffer.slice(0, this.commandCount * COMMAND_WORDS * 4),
        };
    }
}

function grow(array, minimumLength) {
    let length = array.length * 2;
    while (length < minimumLength)
        length *= 2;
    const larger = new array.constructor(length);
    larger.set(array);
    return larger;
}
