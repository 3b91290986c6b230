#include "media/palettequantizer.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace kvx {

namespace {

constexpr std::uint32_t kNoCell = 0xffffffff;
constexpr std::uint16_t kUnknown = 0xffff;
constexpr int kKeys = 1 << 20;
constexpr int kRefinements = 2;

// A fixed 4 x 4 ordered-dither pattern (0-15). Halved less 4, it moves a colour by up to half a
// cell (4 levels) either way: about as strong as a dither gets before it costs more file than it
// saves banding.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

struct Premultiplied {
    int red, green, blue, alpha;
};

Premultiplied premultiply(std::uint32_t argb)
{
    const int alpha = int(argb >> 24);
    const auto channel = [alpha](int value) { return (value * alpha + 127) / 255; };
    return {channel(int(argb >> 16 & 255)), channel(int(argb >> 8 & 255)), channel(int(argb & 255)), alpha};
}

// 5 bits per channel; alpha's top cell holds exactly opaque pixels only.
std::uint32_t keyOf(const Premultiplied &p)
{
    const std::uint32_t alphaCell = p.alpha == 255 ? 31 : std::min(p.alpha >> 3, 30);
    return std::uint32_t(p.red >> 3) << 15 | std::uint32_t(p.green >> 3) << 10 | std::uint32_t(p.blue >> 3) << 5 |
           alphaCell;
}

std::array<std::int64_t, 4> centreOfKey(std::uint32_t key)
{
    const std::int64_t alphaCell = key & 31;
    return {std::int64_t(key >> 15 & 31) * 8 + 4, std::int64_t(key >> 10 & 31) * 8 + 4,
            std::int64_t(key >> 5 & 31) * 8 + 4, alphaCell == 31 ? 255 : alphaCell * 8 + 4};
}

std::int64_t distance(const std::array<std::int64_t, 4> &a, const std::array<std::int64_t, 4> &b)
{
    std::int64_t total = 0;
    for (int channel = 0; channel < 4; ++channel) {
        const std::int64_t difference = a[channel] - b[channel];
        total += difference * difference * (channel == 3 ? 2 : 1);
    }
    return total;
}

} // namespace

PaletteQuantizer::Colour PaletteQuantizer::Cell::mean() const
{
    Colour result{};
    for (int channel = 0; channel < 4; ++channel)
        result[channel] = (sum[channel] + std::int64_t(count / 2)) / std::int64_t(count);
    return result;
}

PaletteQuantizer::PaletteQuantizer(int colours) : colours(std::clamp(colours, 4, 256)), cellOfKey(kKeys, kNoCell)
{
    entriesArgb.fill(0xff000000u);
}

void PaletteQuantizer::learn(const std::uint32_t *pixels, int width, int height, std::ptrdiff_t stride)
{
    for (int y = 0; y < height; ++y) {
        const std::uint32_t *row = pixels + y * stride;
        for (int x = 0; x < width; ++x) {
            const Premultiplied p = premultiply(row[x]);
            if (p.alpha == 0) {
                anyTransparent = true;
                continue;
            }
            std::uint32_t &index = cellOfKey[keyOf(p)];
            if (index == kNoCell) {
                index = std::uint32_t(cells.size());
                cells.emplace_back();
            }
            Cell &cell = cells[index];
            ++cell.count;
            cell.sum[0] += p.red, cell.sum[1] += p.green, cell.sum[2] += p.blue, cell.sum[3] += p.alpha;
        }
    }
}

void PaletteQuantizer::measure(Box &box) const
{
    std::int64_t widest = -1;
    box.count = 0;
    for (int channel = 0; channel < 4; ++channel) {
        std::int64_t low = std::numeric_limits<std::int64_t>::max(), high = -1;
        for (std::size_t i = box.begin; i < box.end; ++i)
            low = std::min(low, means[order[i]][channel]), high = std::max(high, means[order[i]][channel]);
        const std::int64_t range = (high - low) * (channel == 3 ? 2 : 1);
        if (range > widest)
            widest = range, box.channel = channel;
    }
    for (std::size_t i = box.begin; i < box.end; ++i)
        box.count += cells[order[i]].count;
    box.score = box.end - box.begin < 2 ? 0.0 : double(widest) * double(widest) * double(box.count);
}

void PaletteQuantizer::splitIntoBoxes(std::vector<Box> &boxes)
{
    for (Box &box : boxes)
        measure(box);
    const std::size_t wanted = std::size_t(colours) - (anyTransparent ? 1 : 0);
    while (boxes.size() < wanted) {
        const auto chosen = std::max_element(boxes.begin(), boxes.end(),
                                             [](const Box &a, const Box &b) { return a.score < b.score; });
        if (chosen == boxes.end() || chosen->score <= 0)
            return;
        Box &box = *chosen;
        const int channel = box.channel;
        std::sort(order.begin() + std::ptrdiff_t(box.begin), order.begin() + std::ptrdiff_t(box.end),
                  [&](std::uint32_t a, std::uint32_t b) {
                      const std::int64_t va = means[a][channel], vb = means[b][channel];
                      return va != vb ? va < vb : a < b;
                  });
        // At the weighted median, leaving at least one cell on each side.
        std::uint64_t running = 0;
        std::size_t split = box.begin + 1;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            running += cells[order[i]].count;
            split = i + 1;
            if (running * 2 >= box.count)
                break;
        }
        Box upper{split, box.end, box.opaque};
        box.end = split;
        measure(box);
        measure(upper);
        boxes.push_back(upper);
    }
}

void PaletteQuantizer::refine()
{
    const std::size_t first = anyTransparent ? 1 : 0;
    for (int pass = 0; pass < kRefinements; ++pass) {
        std::vector<Cell> gathered(entries.size());
        for (std::size_t index = 0; index < cells.size(); ++index) {
            const Cell &cell = cells[index];
            const Colour &point = means[index];
            std::size_t best = first;
            std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
            for (std::size_t e = first; e < entries.size(); ++e) {
                if (entryOpaque[e] != cell.opaque())
                    continue;
                if (const std::int64_t d = distance(point, entries[e]); d < bestDistance)
                    bestDistance = d, best = e;
            }
            gathered[best].count += cell.count;
            for (int c = 0; c < 4; ++c)
                gathered[best].sum[c] += cell.sum[c];
        }
        for (std::size_t e = first; e < entries.size(); ++e) {
            if (gathered[e].count)
                entries[e] = gathered[e].mean();
        }
    }
}

void PaletteQuantizer::settle()
{
    means.reserve(cells.size());
    for (const Cell &cell : cells)
        means.push_back(cell.mean());
    order.resize(cells.size());
    std::iota(order.begin(), order.end(), 0u);
    const auto opaqueEnd = std::stable_partition(order.begin(), order.end(),
                                                 [this](std::uint32_t cell) { return cells[cell].opaque(); });
    std::vector<Box> boxes;
    const std::size_t opaqueCount = std::size_t(opaqueEnd - order.begin());
    if (opaqueCount > 0)
        boxes.push_back({0, opaqueCount, true});
    if (opaqueCount < order.size())
        boxes.push_back({opaqueCount, order.size(), false});
    splitIntoBoxes(boxes);

    if (anyTransparent) {
        entries.push_back({0, 0, 0, 0});
        entryOpaque.push_back(false);
    }
    for (const Box &box : boxes) {
        Cell merged;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            merged.count += cells[order[i]].count;
            for (int c = 0; c < 4; ++c)
                merged.sum[c] += cells[order[i]].sum[c];
        }
        entries.push_back(merged.mean());
        entryOpaque.push_back(box.opaque);
    }
    refine();
    cells = {};
    means = {};
    order = {};
    cellOfKey = {};
    nearestOfKey.assign(kKeys, kUnknown);

    for (std::size_t e = 0; e < entries.size(); ++e) {
        const std::int64_t alpha = entryOpaque[e] ? 255 : std::clamp<std::int64_t>(entries[e][3], 0, 254);
        const auto straight = [alpha](std::int64_t value) {
            return alpha ? std::uint32_t(std::min<std::int64_t>(255, (value * 255 + alpha / 2) / alpha)) : 0u;
        };
        entriesArgb[e] = std::uint32_t(alpha) << 24 | straight(entries[e][0]) << 16 | straight(entries[e][1]) << 8 |
                     straight(entries[e][2]);
        entries[e][3] = alpha;
    }
}

std::uint8_t PaletteQuantizer::nearest(std::uint32_t key)
{
    std::uint16_t &cached = nearestOfKey[key];
    if (cached != kUnknown)
        return std::uint8_t(cached);
    const auto point = centreOfKey(key);
    const bool opaque = (key & 31) == 31;
    std::size_t best = 0;
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    for (std::size_t e = 0; e < entries.size(); ++e) {
        if (opaque && !entryOpaque[e])
            continue;
        if (const std::int64_t d = distance(point, entries[e]); d < bestDistance)
            bestDistance = d, best = e;
    }
    cached = std::uint16_t(best);
    return std::uint8_t(best);
}

void PaletteQuantizer::map(const std::uint32_t *pixels, int width, int height, std::ptrdiff_t stride,
                           std::uint8_t *indices, std::ptrdiff_t indexStride)
{
    for (int y = 0; y < height; ++y) {
        const std::uint32_t *row = pixels + y * stride;
        std::uint8_t *out = indices + y * indexStride;
        for (int x = 0; x < width; ++x) {
            Premultiplied p = premultiply(row[x]);
            if (p.alpha == 0) {
                out[x] = 0;
                continue;
            }
            const int offset = kBayer[y & 3][x & 3] / 2 - 4;
            const auto dither = [&](int value) { return std::clamp(value + offset, 0, p.alpha); };
            p.red = dither(p.red), p.green = dither(p.green), p.blue = dither(p.blue);
            out[x] = nearest(keyOf(p));
        }
    }
}

} // namespace kvx
