// Stand-ins for the few rendering-framework classes the packaged 3.8 runtime imports. The
// runtime only stores them: bones keep their world transform in a Matrix, the atlas wraps each
// region in a Texture, and slot blend modes are read as BLEND_MODES values, which equal the
// plugin interface's blend modes.

export const BLEND_MODES = { NORMAL: 0, ADD: 1, MULTIPLY: 2, SCREEN: 3 };
export const SCALE_MODES = { NEAREST: 0, LINEAR: 1 };
export const MIPMAP_MODES = { OFF: 0, POW2: 1 };
export const ALPHA_MODES = { NPM: 0, UNPACK: 1, PMA: 2 };

export class Matrix {
    constructor(a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0) {
        this.a = a;
        this.b = b;
        this.c = c;
        this.d = d;
        this.tx = tx;
        this.ty = ty;
    }
}

export class Rectangle {
    constructor(x = 0, y = 0, width = 0, height = 0) {
        this.x = x;
        this.y = y;
        this.width = width;
        this.height = height;
    }
}

// frame: the packed area on the page (width and height swapped for rotated regions); orig: the
// region before whitespace stripping; trim: the kept part within orig; rotate: the framework's
// rotation code, 0 for none.
export class Texture {
    constructor(baseTexture, frame, orig, trim, rotate) {
        this.baseTexture = baseTexture;
        this.frame = frame;
        this.orig = orig;
        this.trim = trim;
        this.rotate = rotate || 0;
    }

    updateUvs() {} // UVs are computed by the glue from the atlas page size
}

// What the atlas reader expects of a page image before any region is read.
export function pageBaseTexture() {
    return { resolution: 1, valid: true, realWidth: 0, realHeight: 0, setSize() {}, dispose() {} };
}
