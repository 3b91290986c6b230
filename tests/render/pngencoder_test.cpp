// PNG frames as the sinks write them, read back by Qt's PNG reader (libpng and zlib): every pixel
// of images that take each path of the encoder: runs longer than deflate's longest match, runs
// of a byte other than zero, every byte value, many blocks, and frequencies so skewed that the
// Huffman codes must be flattened to fit their 15 bits.

#include "render/pngencoder.h"
#include "support/syntheticframes.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <functional>
#include <cstring>
#include <random>
#include <string>

namespace kvx {
namespace {

RgbaImage imageOf(int width, int height, const std::function<uint8_t(std::size_t)> &byteAt)
{
    RgbaImage image{width, height, std::vector<uint8_t>(std::size_t(width) * std::size_t(height) * 4)};
    for (std::size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = byteAt(i);
    return image;
}

// One row whose bytes (each a literal) take values 0, 1, 2, ... with Fibonacci frequencies: an
// optimal code for them would be 26 bits deep.
RgbaImage skewedRow()
{
    std::vector<uint8_t> bytes;
    uint64_t previous = 1, current = 1;
    for (uint8_t value = 0; value < 27; ++value) {
        bytes.insert(bytes.end(), std::size_t(current), value);
        current = std::exchange(previous, current) + previous;
    }
    bytes.resize(bytes.size() / 4 * 4);
    std::shuffle(bytes.begin(), bytes.end(), std::mt19937(7));
    return RgbaImage{int(bytes.size() / 4), 1, bytes};
}

TEST(PngEncoderTest, EveryPixelReadsBack)
{
    std::mt19937 random(3);
    const test::SyntheticFrame rendered = test::syntheticFrame(300, 200, 5, false, 12);
    const struct {
        const char *name;
        RgbaImage image;
    } cases[] = {
        {"rendered-like", RgbaImage{rendered.width, rendered.height, rendered.rgba}},
        {"one transparent pixel", imageOf(1, 1, [](std::size_t) { return uint8_t(0); })},
        {"one column", imageOf(1, 70, [](std::size_t i) { return uint8_t(i * 7); })},
        {"transparent, longer than a match", imageOf(1000, 3, [](std::size_t) { return uint8_t(0); })},
        // Each row one grey brighter than the last: runs of 3 after the first row.
        {"rows of a rising grey", imageOf(700, 40, [](std::size_t i) { return uint8_t(i / 2800 * 3 + 1); })},
        {"noise in many blocks", imageOf(400, 300, [&](std::size_t) { return uint8_t(random()); })},
        {"skewed frequencies", skewedRow()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string png = encodePng(c.image);
        EXPECT_EQ(encodePng(c.image), png);
        QImage read = QImage::fromData(QByteArray::fromStdString(png), "PNG");
        ASSERT_FALSE(read.isNull());
        ASSERT_EQ(read.format(), QImage::Format_ARGB32); // colour type 6: alpha kept, not premultiplied
        read = read.convertToFormat(QImage::Format_RGBA8888);
        ASSERT_EQ(read.width(), c.image.width);
        ASSERT_EQ(read.height(), c.image.height);
        for (int y = 0; y < read.height(); ++y)
            ASSERT_EQ(std::memcmp(read.constScanLine(y), c.image.bytes.data() + std::size_t(y) * std::size_t(c.image.stride()),
                                  std::size_t(c.image.stride())),
                      0)
                << "row " << y;
    }
    EXPECT_TRUE(encodePng(RgbaImage{}).empty());
}

// The vector path and the portable one (this test is built with each) write the very same bytes.
TEST(PngEncoderTest, BytesAreTheSameOnEveryPath)
{
    const test::SyntheticFrame frame = test::syntheticFrame(301, 97, 3, false, 9);
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (const char byte : encodePng(RgbaImage{frame.width, frame.height, frame.rgba}))
        hash = (hash ^ uint8_t(byte)) * 1099511628211ull;
    EXPECT_EQ(hash, 0x3fb5d323940b3a90ull) << std::hex << hash;
}

} // namespace
} // namespace kvx
