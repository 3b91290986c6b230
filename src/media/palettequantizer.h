#pragma once
// One palette of up to 256 colours for a whole animation, with graded alpha, and the mapping of
// frames onto it (GIF, lossy APNG). Colours are compared premultiplied, as they show once
// composed. They are counted in cells of 5 bits per channel (at most 2^20 cells, so memory is the
// same for any length), split by median cut and refined by two k-means passes. Opaque pixels only
// ever map to opaque entries and fully transparent ones to a transparent entry; colour is dithered
// in a fixed 4 x 4 pattern (so still parts stay still from frame to frame), alpha never.
//
// Pixels are FFmpeg's RGB32: a native-endian 0xAARRGGBB word, straight alpha.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvx {

class PaletteQuantizer {
public:
    explicit PaletteQuantizer(int colours); // 4-256

    // First pass: every frame, in order. `stride` counts pixels.
    void learn(const std::uint32_t *pixels, int width, int height, std::ptrdiff_t stride);
    // Every frame was seen: fixes the palette.
    void settle();
    // Unused entries are opaque black; entry 0 is transparent black when any pixel was.
    const std::array<std::uint32_t, 256> &palette() const { return entriesArgb; }
    // Second pass: one palette index per pixel.
    void map(const std::uint32_t *pixels, int width, int height, std::ptrdiff_t stride, std::uint8_t *indices,
             std::ptrdiff_t indexStride);

private:
    using Colour = std::array<std::int64_t, 4>; // premultiplied red, green, blue; alpha

    struct Cell {
        std::uint64_t count = 0;
        Colour sum{};
        Colour mean() const;
        bool opaque() const { return sum[3] == std::int64_t(count) * 255; }
    };
    struct Box {
        std::size_t begin, end; // in `order`
        bool opaque;
        std::uint64_t count = 0; // pixels
        int channel = 0;         // the widest, to split along
        double score = 0;        // which box to split next: squared width times pixels
    };

    void measure(Box &box) const;
    void splitIntoBoxes(std::vector<Box> &boxes);
    void refine();
    std::uint8_t nearest(std::uint32_t key);

    int colours;
    bool anyTransparent = false;
    std::vector<std::uint32_t> cellOfKey; // 2^20 keys, or kNoCell where no pixel fell
    std::vector<Cell> cells;
    std::vector<Colour> means;        // of each cell, while the palette is being settled
    std::vector<std::uint32_t> order; // cell indices, grouped by box
    std::vector<Colour> entries;      // premultiplied
    std::vector<bool> entryOpaque;
    std::vector<std::uint16_t> nearestOfKey; // cached mapping; kUnknown until asked
    std::array<std::uint32_t, 256> entriesArgb{};
};

} // namespace kvx
