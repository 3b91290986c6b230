#include "render/rundeflate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace kvx {
namespace {

constexpr uint8_t kUpFilter = 2;
constexpr int kLiteralLengthSymbols = 286; // literals 0-255, end of block 256, lengths 257-285
constexpr int kEndOfBlock = 256;
constexpr int kCodeLengthSymbols = 19;
constexpr int kMaxCodeLength = 15;
constexpr int kMaxCodeLengthCodeLength = 7;
constexpr std::size_t kMinRun = 3;
constexpr std::size_t kMaxRun = 258;
// Symbols per block: trees fitted to a part of the image, for little header.
constexpr std::size_t kBlockSymbols = std::size_t(1) << 15;

// A length's symbol and extra bits (RFC 1951, 3.2.5).
struct LengthCode {
    uint16_t symbol = 0;
    uint8_t extraBits = 0;
    uint16_t extra = 0;
};

constexpr std::array<LengthCode, kMaxRun + 1> kLengthCodes = [] {
    constexpr uint16_t base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                   31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    constexpr uint8_t extraBits[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    std::array<LengthCode, kMaxRun + 1> codes{};
    for (int code = 0; code < 29; ++code) {
        const int last = code == 28 ? 258 : std::min(257, base[code] + (1 << extraBits[code]) - 1);
        for (int length = base[code]; length <= last; ++length)
            codes[std::size_t(length)] = {uint16_t(257 + code), extraBits[code], uint16_t(length - base[code])};
    }
    return codes;
}();

// The order code length code lengths are stored in (RFC 1951, 3.2.7).
constexpr uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Adler-32 with the modulo taken once per row; a run of one byte value is summed at once.
class Adler32 {
public:
    void add(uint8_t value)
    {
        a += value;
        b += a;
    }

    void addRun(uint8_t value, uint64_t count)
    {
        b += count * a + uint64_t(value) * count * (count + 1) / 2;
        a += uint64_t(value) * count;
    }

    // Within a row of at most 2^28 bytes neither sum can overflow.
    void reduce()
    {
        a %= kModulus;
        b %= kModulus;
    }

    uint32_t value()
    {
        reduce();
        return uint32_t(b << 16 | a);
    }

private:
    static constexpr uint64_t kModulus = 65521;
    uint64_t a = 1;
    uint64_t b = 0;
};

// Symbols of the block being gathered: a literal byte (below 256) or 256 + a run's length, each
// run copying the byte before; with their frequencies and the stream's checksum. Room for a
// block and one more row is allocated once.
class Symbols {
public:
    explicit Symbols(std::size_t rowBytes) : buffer(kBlockSymbols + rowBytes + 1) {}

    void literal(uint8_t value)
    {
        buffer[size++] = value;
        ++frequencies[value];
        checksum.add(value);
    }

    // count copies of value, which is the byte before them.
    void run(uint8_t value, std::size_t count)
    {
        checksum.addRun(value, count);
        while (count >= kMinRun) {
            const std::size_t length = std::min(count, kMaxRun);
            buffer[size++] = uint16_t(256 + length);
            ++frequencies[kLengthCodes[length].symbol];
            count -= length;
        }
        for (; count > 0; --count) {
            buffer[size++] = value;
            ++frequencies[value];
        }
    }

    std::span<const uint16_t> gathered() const { return {buffer.data(), size}; }

    void clear()
    {
        size = 0;
        frequencies.fill(0);
    }

    std::array<uint32_t, kLiteralLengthSymbols> frequencies{};
    Adler32 checksum;

private:
    std::vector<uint16_t> buffer;
    std::size_t size = 0;
};

// How many bytes of the filtered row from `at` on equal `value`.
std::size_t runLength(const uint8_t *row, const uint8_t *above, std::size_t at, std::size_t size, uint8_t value)
{
    std::size_t end = at;
    if (value == 0) {
        // Where the row equals the row above, eight bytes at a time.
        if constexpr (std::endian::native == std::endian::little) {
            for (; end + 8 <= size; end += 8) {
                uint64_t here, there;
                std::memcpy(&here, row + end, 8);
                std::memcpy(&there, above + end, 8);
                if (const uint64_t differ = here ^ there; differ != 0)
                    return end - at + std::size_t(std::countr_zero(differ) / 8);
            }
        }
        while (end < size && row[end] == above[end])
            ++end;
        return end - at;
    }
    while (end < size && uint8_t(row[end] - above[end]) == value)
        ++end;
    return end - at;
}

void gatherRow(const uint8_t *row, const uint8_t *above, std::size_t size, Symbols &symbols)
{
    symbols.literal(kUpFilter);
    uint8_t last = kUpFilter;
    for (std::size_t at = 0; at < size;) {
        const uint8_t value = uint8_t(row[at] - above[at]);
        if (value == last) {
            if (const std::size_t run = runLength(row, above, at, size, last); run >= kMinRun) {
                symbols.run(last, run);
                at += run;
                continue;
            }
        }
        symbols.literal(value);
        last = value;
        ++at;
    }
    symbols.checksum.reduce();
}

// Huffman code lengths for the frequencies, none above limit: frequencies are flattened until
// the tree fits. At least two symbols get a length, so that every code is complete.
std::vector<uint8_t> codeLengths(std::span<const uint32_t> frequencies, int limit)
{
    std::vector<uint64_t> weights(frequencies.begin(), frequencies.end());
    for (std::size_t symbol = 0; symbol < weights.size(); ++symbol) {
        if (std::count_if(weights.begin(), weights.end(), [](uint64_t w) { return w > 0; }) >= 2)
            break;
        weights[symbol] = std::max<uint64_t>(weights[symbol], 1);
    }
    std::vector<uint8_t> lengths(weights.size(), 0);
    std::vector<std::pair<uint64_t, int>> leaves;
    std::vector<uint64_t> merged; // weights of merged nodes, in the order made (never decreasing)
    std::vector<int> parent;      // leaves first, then merged nodes
    std::vector<int> depth;
    for (;;) {
        leaves.clear();
        for (std::size_t symbol = 0; symbol < weights.size(); ++symbol)
            if (weights[symbol] > 0)
                leaves.emplace_back(weights[symbol], int(symbol));
        std::sort(leaves.begin(), leaves.end());
        const std::size_t leafCount = leaves.size();
        merged.clear();
        parent.assign(2 * leafCount - 1, -1);
        // Two queues: the sorted leaves and the merged nodes; take the lighter head each time.
        std::size_t nextLeaf = 0, nextMerged = 0;
        const auto takeLightest = [&]() -> std::pair<uint64_t, std::size_t> {
            if (nextLeaf < leafCount && (nextMerged >= merged.size() || leaves[nextLeaf].first <= merged[nextMerged])) {
                const std::size_t node = nextLeaf++;
                return {leaves[node].first, node};
            }
            const std::size_t node = leafCount + nextMerged;
            return {merged[nextMerged++], node};
        };
        for (std::size_t made = 0; made + 1 < leafCount; ++made) {
            const auto [firstWeight, first] = takeLightest();
            const auto [secondWeight, second] = takeLightest();
            parent[first] = int(leafCount + made);
            parent[second] = int(leafCount + made);
            merged.push_back(firstWeight + secondWeight);
        }
        depth.assign(parent.size(), 0);
        int deepest = 0;
        for (std::size_t node = parent.size() - 1; node-- > 0;) {
            depth[node] = depth[std::size_t(parent[node])] + 1;
            deepest = std::max(deepest, depth[node]);
        }
        if (deepest <= limit) {
            for (std::size_t leaf = 0; leaf < leafCount; ++leaf)
                lengths[std::size_t(leaves[leaf].second)] = uint8_t(depth[leaf]);
            return lengths;
        }
        for (uint64_t &weight : weights)
            weight = weight > 0 ? (weight >> 1) | 1 : 0;
    }
}

// Canonical codes for the lengths, bit-reversed as deflate writes them (first bit lowest).
std::vector<uint16_t> canonicalCodes(const std::vector<uint8_t> &lengths)
{
    std::array<uint16_t, kMaxCodeLength + 2> perLength{};
    for (const uint8_t length : lengths)
        ++perLength[length];
    perLength[0] = 0;
    std::array<uint16_t, kMaxCodeLength + 2> next{};
    uint32_t code = 0;
    for (int length = 1; length <= kMaxCodeLength; ++length) {
        code = (code + perLength[std::size_t(length - 1)]) << 1;
        next[std::size_t(length)] = uint16_t(code);
    }
    std::vector<uint16_t> codes(lengths.size(), 0);
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        const int length = lengths[symbol];
        if (length == 0)
            continue;
        const uint32_t canonical = next[std::size_t(length)]++;
        uint32_t reversed = 0;
        for (int bit = 0; bit < length; ++bit)
            reversed |= ((canonical >> bit) & 1u) << (length - 1 - bit);
        codes[symbol] = uint16_t(reversed);
    }
    return codes;
}

// Bits into the end of a string, first bit lowest, a word at a time: room is made per block.
class BitWriter {
public:
    explicit BitWriter(std::string &out) : out(out), at(out.size()) {}

    // Room for the bits to come, with a word to spare.
    void reserve(std::size_t bits)
    {
        const std::size_t needed = at + bits / 8 + 16;
        if (out.size() < needed)
            out.resize(std::max(needed, out.size() + out.size() / 2));
    }

    // At most 32 bits.
    void put(uint32_t value, int count)
    {
        bits |= uint64_t(value) << pending;
        pending += count;
        if (pending >= 32) {
            const uint32_t word = uint32_t(bits);
            const char bytes[4] = {char(word), char(word >> 8), char(word >> 16), char(word >> 24)};
            std::memcpy(out.data() + at, bytes, 4);
            at += 4;
            bits >>= 32;
            pending -= 32;
        }
    }

    // The last bits padded to a byte; the string ends there.
    void finish()
    {
        reserve(64);
        for (; pending > 0; pending -= 8) {
            out[at++] = char(bits);
            bits >>= 8;
        }
        out.resize(at);
    }

private:
    std::string &out;
    std::size_t at;
    uint64_t bits = 0;
    int pending = 0;
};

// A code length sequence run-length coded with symbols 16 (repeat the previous 3-6 times),
// 17 (3-10 zeros) and 18 (11-138 zeros); each entry a symbol and its extra bits' value.
std::vector<std::pair<uint8_t, uint8_t>> codedLengths(const std::vector<uint8_t> &lengths)
{
    std::vector<std::pair<uint8_t, uint8_t>> coded;
    for (std::size_t at = 0; at < lengths.size();) {
        const uint8_t value = lengths[at];
        std::size_t run = 1;
        while (at + run < lengths.size() && lengths[at + run] == value)
            ++run;
        at += run;
        if (value == 0) {
            for (; run >= 11; run -= std::min<std::size_t>(run, 138))
                coded.emplace_back(18, uint8_t(std::min<std::size_t>(run, 138) - 11));
            if (run >= 3) {
                coded.emplace_back(17, uint8_t(run - 3));
                run = 0;
            }
        } else {
            coded.emplace_back(value, 0);
            --run;
            for (; run >= 3; run -= std::min<std::size_t>(run, 6))
                coded.emplace_back(16, uint8_t(std::min<std::size_t>(run, 6) - 3));
        }
        for (; run > 0; --run)
            coded.emplace_back(value, 0);
    }
    return coded;
}

constexpr int extraBitsOf(uint8_t codeLengthSymbol)
{
    return codeLengthSymbol == 16 ? 2 : codeLengthSymbol == 17 ? 3 : codeLengthSymbol == 18 ? 7 : 0;
}

// One dynamic Huffman block of the gathered symbols; the one distance code (one byte back) has
// one bit.
void writeBlock(Symbols &symbols, bool final, BitWriter &writer)
{
    symbols.frequencies[kEndOfBlock] = 1;
    const std::vector<uint8_t> literalLengths = codeLengths(symbols.frequencies, kMaxCodeLength);
    const std::vector<uint16_t> literalCodes = canonicalCodes(literalLengths);
    std::size_t literalCount = kLiteralLengthSymbols;
    while (literalCount > 257 && literalLengths[literalCount - 1] == 0)
        --literalCount;

    std::vector<uint8_t> allLengths(literalLengths.begin(), literalLengths.begin() + std::ptrdiff_t(literalCount));
    allLengths.push_back(1); // distance code 0: one byte back
    const std::vector<std::pair<uint8_t, uint8_t>> coded = codedLengths(allLengths);
    std::array<uint32_t, kCodeLengthSymbols> codeLengthFrequencies{};
    for (const auto &[symbol, extra] : coded)
        ++codeLengthFrequencies[symbol];
    const std::vector<uint8_t> codeLengthLengths = codeLengths(codeLengthFrequencies, kMaxCodeLengthCodeLength);
    const std::vector<uint16_t> codeLengthCodes = canonicalCodes(codeLengthLengths);
    int storedCodeLengths = kCodeLengthSymbols;
    while (storedCodeLengths > 4 && codeLengthLengths[kCodeLengthOrder[storedCodeLengths - 1]] == 0)
        --storedCodeLengths;

    const std::span<const uint16_t> gathered = symbols.gathered();
    writer.reserve(8192 + gathered.size() * (kMaxCodeLength + 5 + 1)); // the trees take under 4,200 bits
    writer.put(final ? 1 : 0, 1);
    writer.put(2, 2); // dynamic Huffman codes
    writer.put(uint32_t(literalCount - 257), 5);
    writer.put(0, 5); // one distance code
    writer.put(uint32_t(storedCodeLengths - 4), 4);
    for (int i = 0; i < storedCodeLengths; ++i)
        writer.put(codeLengthLengths[kCodeLengthOrder[i]], 3);
    for (const auto &[symbol, extra] : coded) {
        writer.put(codeLengthCodes[symbol], codeLengthLengths[symbol]);
        if (const int bits = extraBitsOf(symbol); bits > 0)
            writer.put(extra, bits);
    }

    for (const uint16_t symbol : gathered) {
        if (symbol < 256) {
            writer.put(literalCodes[symbol], literalLengths[symbol]);
            continue;
        }
        // The length's code, its extra bits, then distance code 0 (a single 0 bit).
        const LengthCode &length = kLengthCodes[symbol - 256];
        const int codeBits = literalLengths[length.symbol];
        writer.put(literalCodes[length.symbol] | uint32_t(length.extra) << codeBits, codeBits + length.extraBits + 1);
    }
    writer.put(literalCodes[kEndOfBlock], literalLengths[kEndOfBlock]);
    symbols.clear();
}

} // namespace

void appendUpFilteredZlib(const RgbaImage &image, std::string &out)
{
    const std::size_t stride = std::size_t(std::max<std::ptrdiff_t>(image.stride(), 0));
    const std::size_t height = std::size_t(std::max(image.height, 0));
    out.append("\x78\x01", 2); // deflate with a 32 KB window, fastest, no dictionary
    BitWriter writer(out);
    Symbols symbols(stride);
    const std::vector<uint8_t> zeros(stride, 0);
    for (std::size_t y = 0; y < height; ++y) {
        const uint8_t *row = image.bytes.data() + y * stride;
        gatherRow(row, y == 0 ? zeros.data() : row - stride, stride, symbols);
        const bool last = y + 1 == height;
        if (last || symbols.gathered().size() >= kBlockSymbols)
            writeBlock(symbols, last, writer);
    }
    if (height == 0) {
        writer.reserve(16);
        writer.put(1, 1); // final
        writer.put(1, 2); // fixed codes
        writer.put(0, 7); // end of block
    }
    writer.finish();
    const uint32_t checksum = symbols.checksum.value();
    const char bigEndian[4] = {char(checksum >> 24), char(checksum >> 16), char(checksum >> 8), char(checksum)};
    out.append(bigEndian, 4);
}

} // namespace kvx
