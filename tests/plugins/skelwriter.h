#pragma once
// Writes skeleton data in the binary format, piece by piece, for tests that assemble .skel files.

#include <bit>
#include <cstdint>
#include <string>

namespace kvx::test {

// The binary format's primitives: big-endian 32-bit values, variable-length positive integers
// and strings with their length plus one in front (0 stands for null).
class SkelWriter {
public:
    SkelWriter &int32(uint32_t value)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(char((value >> shift) & 0xFF));
        return *this;
    }
    SkelWriter &real(float value) { return int32(std::bit_cast<uint32_t>(value)); }
    SkelWriter &byte(uint8_t value)
    {
        bytes.push_back(char(value));
        return *this;
    }
    SkelWriter &varint(uint32_t value)
    {
        do {
            const uint8_t low = value & 0x7F;
            value >>= 7;
            bytes.push_back(char(value ? low | 0x80 : low));
        } while (value);
        return *this;
    }
    SkelWriter &text(const std::string &value)
    {
        varint(uint32_t(value.size() + 1));
        bytes += value;
        return *this;
    }
    SkelWriter &bone(const std::string &name, int parent, float rotation, float x)
    {
        text(name);
        if (parent >= 0)
            varint(uint32_t(parent));
        real(rotation).real(x).real(0).real(1).real(1).real(0).real(0).real(0); // rotation, x, y, scale, shear, length
        return byte(0).byte(0);                                                 // inherit normal, not skin-required
    }

    std::string bytes;
};

} // namespace kvx::test
