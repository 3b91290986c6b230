// The extent of what poses draw, y down, for framing a whole animation. A clipped attachment
// counts with its box cut to the clipping polygon's box: a little generous where the polygon is
// concave, never short, and it spares clipping every triangle, which costs far more than posing.

export class Extent {
    constructor(ySign) {
        this.ySign = ySign;
        this.minX = Infinity;
        this.minY = Infinity;
        this.maxX = -Infinity;
        this.maxY = -Infinity;
    }

    // positions: x, y pairs; clip: the clipping polygon's x, y pairs, or null.
    add(positions, vertexCount, clip) {
        const box = boxOf(positions, vertexCount, this.ySign);
        if (clip) {
            const limit = boxOf(clip, clip.length >> 1, this.ySign);
            box.minX = Math.max(box.minX, limit.minX);
            box.minY = Math.max(box.minY, limit.minY);
            box.maxX = Math.min(box.maxX, limit.maxX);
            box.maxY = Math.min(box.maxY, limit.maxY);
        }
        if (!(box.minX <= box.maxX && box.minY <= box.maxY))
            return;
        this.minX = Math.min(this.minX, box.minX);
        this.minY = Math.min(this.minY, box.minY);
        this.maxX = Math.max(this.maxX, box.maxX);
        this.maxY = Math.max(this.maxY, box.maxY);
    }

    // [x, y, width, height], or null when nothing was added.
    toArray() {
        if (!(this.minX <= this.maxX && this.minY <= this.maxY))
            return null;
        return [this.minX, this.minY, this.maxX - this.minX, this.maxY - this.minY];
    }
}

function boxOf(positions, vertexCount, ySign) {
    let minX = Infinity, minY = Infinity, maxX = -Infinity, maxY = -Infinity;
    for (let i = 0, end = vertexCount * 2; i < end; i += 2) {
        const x = positions[i], y = positions[i + 1] * ySign;
        if (x < minX) minX = x;
        if (x > maxX) maxX = x;
        if (y < minY) minY = y;
        if (y > maxY) maxY = y;
    }
    return { minX, minY, maxX, maxY };
}

// The step indices 0..steps in passes from coarse to fine: the first pass spans the whole
// animation in at most nine steps and each later pass halves the stride, so a sweep cut short
// after any pass still covers the whole duration. Every index appears exactly once.
export function samplePasses(steps) {
    let stride = 1;
    while (stride * 8 < steps)
        stride *= 2;
    const first = [];
    for (let index = 0; index < steps; index += stride)
        first.push(index);
    first.push(steps);
    const passes = [first];
    for (stride >>= 1; stride >= 1; stride >>= 1) {
        const pass = [];
        for (let index = stride; index < steps; index += 2 * stride)
            pass.push(index);
        passes.push(pass);
    }
    return passes;
}
