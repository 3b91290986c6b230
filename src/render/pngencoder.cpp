#include "render/pngencoder.h"

#include "render/rundeflate.h"

#include <array>
#include <cstdint>

namespace kvx {
namespace {

// CRC-32 as PNG's chunks carry it (ISO 3309), eight bytes a step.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables kCrcTables = [] {
    CrcTables tables{};
    for (uint32_t byte = 0; byte < 256; ++byte) {
        uint32_t crc = byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
        tables[0][byte] = crc;
    }
    for (uint32_t byte = 0; byte < 256; ++byte)
        for (std::size_t table = 1; table < 8; ++table)
            tables[table][byte] = (tables[table - 1][byte] >> 8) ^ tables[0][tables[table - 1][byte] & 0xFF];
    return tables;
}();

uint32_t crc32Of(const unsigned char *bytes, std::size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (; size >= 8; bytes += 8, size -= 8) {
        const uint32_t low = crc ^ (uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16
                                    | uint32_t(bytes[3]) << 24);
        crc = kCrcTables[7][low & 0xFF] ^ kCrcTables[6][(low >> 8) & 0xFF] ^ kCrcTables[5][(low >> 16) & 0xFF]
              ^ kCrcTables[4][low >> 24] ^ kCrcTables[3][bytes[4]] ^ kCrcTables[2][bytes[5]] ^ kCrcTables[1][bytes[6]]
              ^ kCrcTables[0][bytes[7]];
    }
    for (; size > 0; ++bytes, --size)
        crc = kCrcTables[0][(crc ^ *bytes) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void appendBigEndian(std::string &bytes, uint32_t value)
{
    const char four[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    bytes.append(four, 4);
}

// A chunk whose data the writer appends after its type; its length and CRC are filled in after.
template <typename WriteData>
void appendChunk(std::string &png, const char (&type)[5], WriteData writeData)
{
    const std::size_t lengthAt = png.size();
    appendBigEndian(png, 0);
    png.append(type, 4);
    writeData(png);
    const std::size_t dataSize = png.size() - lengthAt - 8;
    const uint32_t size = uint32_t(dataSize);
    png[lengthAt] = char(size >> 24);
    png[lengthAt + 1] = char(size >> 16);
    png[lengthAt + 2] = char(size >> 8);
    png[lengthAt + 3] = char(size);
    appendBigEndian(png, crc32Of(reinterpret_cast<const unsigned char *>(png.data()) + lengthAt + 4, dataSize + 4));
}

} // namespace

std::string encodePng(const RgbaImage &image)
{
    if (image.width <= 0 || image.height <= 0 || image.bytes.size() < std::size_t(image.stride()) * std::size_t(image.height))
        return {};
    std::string png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", [&](std::string &data) {
        appendBigEndian(data, uint32_t(image.width));
        appendBigEndian(data, uint32_t(image.height));
        data.append("\x08\x06\x00\x00\x00", 5); // 8 bits, RGBA, deflate, per-row filters, not interlaced
    });
    appendChunk(png, "IDAT", [&](std::string &data) { appendUpFilteredZlib(image, data); });
    appendChunk(png, "IEND", [](std::string &) {});
    return png;
}

} // namespace kvx
