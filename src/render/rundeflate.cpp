#include "render/rundeflate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

// KVX_DEFLATE_SCALAR builds the portable path on x86 too, so tests can run both.
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(KVX_DEFLATE_SCALAR)
#include <emmintrin.h>
#define KVX_DEFLATE_SSE2 1
#endif

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

// Extra bits of length symbols 257-285.
constexpr uint8_t kLengthExtraBits[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

constexpr std::array<LengthCode, kMaxRun + 1> kLengthCodes = [] {
    constexpr uint16_t base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                   31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    const auto &extraBits = kLengthExtraBits;
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

constexpr std::array<uint8_t, 256> kReversedBytes = [] {
    std::array<uint8_t, 256> reversed{};
    for (int byte = 0; byte < 256; ++byte)
        for (int bit = 0; bit < 8; ++bit)
            reversed[std::size_t(byte)] |= uint8_t(((byte >> bit) & 1) << (7 - bit));
    return reversed;
}();

// Adler-32 sums, the modulo taken once per row: within a row of at most 2^28 bytes neither
// overflows.
struct Adler32 {
    static constexpr uint64_t kModulus = 65521;
    uint64_t a = 1;
    uint64_t b = 0;

    void reduce()
    {
        a %= kModulus;
        b %= kModulus;
    }
};

// The symbols of the block being gathered: a literal byte (below 256) or 256 + a run's length,
// each run copying the byte before; with their frequencies. Room for a block and one more row is
// allocated once.
struct Symbols {
    // Sixteen to spare: literals are stored sixteen at a time.
    explicit Symbols(std::size_t rowBytes) : buffer(kBlockSymbols + rowBytes + 1 + 16) {}

    std::span<const uint16_t> gathered() const { return {buffer.data(), size}; }

    void clear()
    {
        size = 0;
        frequencies.fill(0);
    }

    std::vector<uint16_t> buffer;
    std::size_t size = 0;
    std::array<uint32_t, kLiteralLengthSymbols> frequencies{};
};

// How many bytes of the filtered row from `at` on equal `value`.
std::size_t runLength(const uint8_t *row, const uint8_t *above, std::size_t at, std::size_t size, uint8_t value)
{
    std::size_t end = at;
    if (value == 0) {
        // Where the row equals the row above, sixteen or eight bytes at a time.
#ifdef KVX_DEFLATE_SSE2
        for (; end + 16 <= size; end += 16) {
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + end));
            const __m128i there = _mm_loadu_si128(reinterpret_cast<const __m128i *>(above + end));
            if (const int same = _mm_movemask_epi8(_mm_cmpeq_epi8(here, there)); same != 0xFFFF)
                return end - at + std::size_t(std::countr_one(unsigned(same)));
        }
#endif
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

#ifdef KVX_DEFLATE_SSE2
// The next sixteen filtered bytes up to where a run may start (three bytes repeating the one
// before each, or such bytes at the end, which may go on past them), as literals, their checksum
// summed in vector lanes. Returns how many were taken.
std::size_t literalsAtOnce(const uint8_t *row, const uint8_t *above, std::size_t at, uint8_t &last, uint16_t *&out,
                           uint32_t *frequencies, uint64_t &a, uint64_t &b)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i values = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(row + at)),
                                  _mm_loadu_si128(reinterpret_cast<const __m128i *>(above + at)));
    const __m128i before = _mm_or_si128(_mm_slli_si128(values, 1), _mm_cvtsi32_si128(last));
    const unsigned repeats = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(values, before)));
    // A run of three from k sets bits k, k + 1 and k + 2; at the end, bit 15 alone or 14 and 15.
    const unsigned runStarts = (repeats & (repeats >> 1) & (repeats >> 2)) | (repeats & 0x8000u)
                               | (repeats & (repeats >> 1) & 0x4000u);
    const int taken = runStarts == 0 ? 16 : std::countr_zero(runStarts);
    if (taken == 0)
        return 0;
    if (taken < 16) {
        const __m128i kept = _mm_cmpgt_epi8(_mm_set1_epi8(char(taken)),
                                            _mm_set_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0));
        values = _mm_and_si128(values, kept);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(values, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 8), _mm_unpackhi_epi8(values, zero));
    out += taken;
    alignas(16) uint8_t bytes[16];
    _mm_store_si128(reinterpret_cast<__m128i *>(bytes), values);
    for (int i = 0; i < taken; ++i)
        ++frequencies[bytes[i]];
    // a gains the sum; b gains taken · a and each byte as often as taken bytes end at or after it:
    // weights 16 − i, less 16 − taken for each.
    const __m128i sums = _mm_sad_epu8(values, zero);
    const __m128i weighted = _mm_add_epi32(
        _mm_madd_epi16(_mm_unpacklo_epi8(values, zero), _mm_set_epi16(9, 10, 11, 12, 13, 14, 15, 16)),
        _mm_madd_epi16(_mm_unpackhi_epi8(values, zero), _mm_set_epi16(1, 2, 3, 4, 5, 6, 7, 8)));
    const __m128i pairs = _mm_add_epi32(weighted, _mm_shuffle_epi32(weighted, 0x4E));
    const uint64_t weightedSum = uint32_t(_mm_cvtsi128_si32(_mm_add_epi32(pairs, _mm_shuffle_epi32(pairs, 0xB1))));
    const uint64_t sum = uint32_t(_mm_cvtsi128_si32(sums)) + uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    b += uint64_t(taken) * a + weightedSum - uint64_t(16 - taken) * sum;
    a += sum;
    last = bytes[taken - 1];
    return std::size_t(taken);
}
#endif

// The row's filter byte and filtered bytes as symbols, summed into the checksum. The state lives
// in locals while the row is read.
void gatherRow(const uint8_t *row, const uint8_t *above, std::size_t size, Symbols &symbols, Adler32 &checksum)
{
    uint16_t *out = symbols.buffer.data() + symbols.size;
    uint32_t *frequencies = symbols.frequencies.data();
    uint64_t a = checksum.a, b = checksum.b;
    const auto literal = [&](uint8_t value) {
        *out++ = value;
        ++frequencies[value];
        a += value;
        b += a;
    };
    literal(kUpFilter);
    uint8_t last = kUpFilter;
    for (std::size_t at = 0; at < size;) {
#ifdef KVX_DEFLATE_SSE2
        if (at + 16 <= size) {
            if (const std::size_t taken = literalsAtOnce(row, above, at, last, out, frequencies, a, b); taken > 0) {
                at += taken;
                continue;
            }
        }
#endif
        const uint8_t value = uint8_t(row[at] - above[at]);
        if (value == last) {
            if (std::size_t run = runLength(row, above, at, size, last); run >= kMinRun) {
                at += run;
                b += run * a + uint64_t(last) * run * (run + 1) / 2;
                a += uint64_t(last) * run;
                for (; run >= kMinRun; run -= std::min(run, kMaxRun)) {
                    const std::size_t length = std::min(run, kMaxRun);
                    *out++ = uint16_t(256 + length);
                    ++frequencies[kLengthCodes[length].symbol];
                }
                for (; run > 0; --run) {
                    *out++ = last;
                    ++frequencies[last];
                }
                continue;
            }
        }
        literal(value);
        last = value;
        ++at;
    }
    symbols.size = std::size_t(out - symbols.buffer.data());
    checksum.a = a;
    checksum.b = b;
    checksum.reduce();
}

// Huffman code lengths for the frequencies (at most kLiteralLengthSymbols), none above limit:
// frequencies are flattened until the tree fits. At least two symbols get a length, so that every
// code is complete.
std::vector<uint8_t> codeLengths(std::span<const uint32_t> frequencies, int limit)
{
    constexpr std::size_t kMost = kLiteralLengthSymbols;
    const std::size_t count = std::min(frequencies.size(), kMost);
    std::array<uint64_t, kMost> weights{};
    std::copy_n(frequencies.begin(), count, weights.begin());
    for (std::size_t symbol = 0; symbol < count; ++symbol) {
        if (std::count_if(weights.begin(), weights.begin() + std::ptrdiff_t(count), [](uint64_t w) { return w > 0; }) >= 2)
            break;
        weights[symbol] = std::max<uint64_t>(weights[symbol], 1);
    }
    std::array<std::pair<uint64_t, uint16_t>, kMost> leaves;
    std::array<uint64_t, kMost> merged;     // weights of merged nodes, in the order made (never decreasing)
    std::array<uint16_t, 2 * kMost> parent; // leaves first, then merged nodes
    std::array<uint8_t, 2 * kMost> depth;
    for (;;) {
        std::size_t leafCount = 0;
        for (std::size_t symbol = 0; symbol < count; ++symbol)
            if (weights[symbol] > 0)
                leaves[leafCount++] = {weights[symbol], uint16_t(symbol)};
        std::sort(leaves.begin(), leaves.begin() + std::ptrdiff_t(leafCount));
        // Two queues: the sorted leaves and the merged nodes; take the lighter head each time.
        std::size_t nextLeaf = 0, nextMerged = 0, mergedCount = 0;
        const auto takeLightest = [&]() -> std::pair<uint64_t, std::size_t> {
            if (nextLeaf < leafCount && (nextMerged >= mergedCount || leaves[nextLeaf].first <= merged[nextMerged])) {
                const std::size_t node = nextLeaf++;
                return {leaves[node].first, node};
            }
            const std::size_t node = leafCount + nextMerged;
            return {merged[nextMerged++], node};
        };
        for (; mergedCount + 1 < leafCount; ++mergedCount) {
            const auto [firstWeight, first] = takeLightest();
            const auto [secondWeight, second] = takeLightest();
            parent[first] = uint16_t(leafCount + mergedCount);
            parent[second] = uint16_t(leafCount + mergedCount);
            merged[mergedCount] = firstWeight + secondWeight;
        }
        const std::size_t root = leafCount + mergedCount - 1; // two leaves at least: never below 2
        depth[std::min(root, depth.size() - 1)] = 0;
        int deepest = 0;
        for (std::size_t node = root; node-- > 0;) {
            depth[node] = uint8_t(depth[parent[node]] + 1);
            deepest = std::max<int>(deepest, depth[node]);
        }
        if (deepest <= limit) {
            std::vector<uint8_t> lengths(frequencies.size(), 0);
            for (std::size_t leaf = 0; leaf < leafCount; ++leaf)
                lengths[leaves[leaf].second] = depth[leaf];
            return lengths;
        }
        for (std::size_t symbol = 0; symbol < count; ++symbol)
            weights[symbol] = weights[symbol] > 0 ? (weights[symbol] >> 1) | 1 : 0;
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
        if (const int length = lengths[symbol]; length > 0) {
            const uint32_t canonical = next[std::size_t(length)]++;
            const uint32_t reversed = uint32_t(kReversedBytes[canonical & 0xFF]) << 8 | kReversedBytes[canonical >> 8];
            codes[symbol] = uint16_t(reversed >> (16 - length));
        }
    }
    return codes;
}

// Bits after the last whole byte written, first bit lowest.
struct PendingBits {
    uint64_t bits = 0;
    int count = 0;
};

// Bits into room made beforehand, a word at a time. Kept as a local while a block is written, so
// that its state stays in registers.
class BitWriter {
public:
    BitWriter(char *at, PendingBits pending) : at(at), bits(pending.bits), count(pending.count) {}

    // At most 32 bits.
    void put(uint32_t value, int size)
    {
        bits |= uint64_t(value) << count;
        count += size;
        if (count >= 32) {
            const char word[4] = {char(bits), char(bits >> 8), char(bits >> 16), char(bits >> 24)};
            std::memcpy(at, word, 4);
            at += 4;
            bits >>= 32;
            count -= 32;
        }
    }

    // Whole bytes written out; the rest carried.
    char *flushBytes(PendingBits &pending)
    {
        for (; count >= 8; count -= 8) {
            *at++ = char(bits);
            bits >>= 8;
        }
        pending = {bits, count};
        return at;
    }

private:
    char *at;
    uint64_t bits;
    int count;
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

// The zlib stream being written into a string: whole bytes in it, the last bits pending.
class Stream {
public:
    explicit Stream(std::string &out) : out(out), written(out.size()) {}

    // One dynamic Huffman block of the gathered symbols; the one distance code (one byte back)
    // has one bit.
    void writeBlock(Symbols &symbols, bool final)
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

        // The trees take under 4,200 bits; each symbol its code, a length its extra bits and the
        // distance's bit.
        uint64_t bits = 4200;
        for (int symbol = 0; symbol < kLiteralLengthSymbols; ++symbol) {
            const int extraBits = symbol > kEndOfBlock ? kLengthExtraBits[std::size_t(symbol - 257)] + 1 : 0;
            bits += uint64_t(symbols.frequencies[std::size_t(symbol)]) * uint64_t(literalLengths[std::size_t(symbol)] + extraBits);
        }
        BitWriter writer(room(bits), pending);
        writer.put(final ? 1 : 0, 1);
        writer.put(2, 2); // dynamic Huffman codes
        writer.put(uint32_t(literalCount - 257), 5);
        writer.put(0, 5); // one distance code
        writer.put(uint32_t(storedCodeLengths - 4), 4);
        for (int i = 0; i < storedCodeLengths; ++i)
            writer.put(codeLengthLengths[kCodeLengthOrder[i]], 3);
        for (const auto &[symbol, extra] : coded) {
            writer.put(codeLengthCodes[symbol], codeLengthLengths[symbol]);
            if (const int extraBits = extraBitsOf(symbol); extraBits > 0)
                writer.put(extra, extraBits);
        }
        for (const uint16_t symbol : symbols.gathered()) {
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
        written = std::size_t(writer.flushBytes(pending) - out.data());
        symbols.clear();
    }

    // A final block of fixed codes holding nothing.
    void writeEmptyFinalBlock()
    {
        BitWriter writer(room(16), pending);
        writer.put(1, 1);  // final
        writer.put(1, 2);  // fixed codes
        writer.put(0, 7);  // end of block
        written = std::size_t(writer.flushBytes(pending) - out.data());
    }

    // The last bits padded to a byte; the string ends there.
    void finish()
    {
        if (pending.count > 0)
            room(8)[0] = char(pending.bits);
        written += pending.count > 0 ? 1 : 0;
        pending = {};
        out.resize(written);
    }

private:
    // Room for the bits after what is written, with a word to spare.
    char *room(uint64_t bits)
    {
        const std::size_t needed = written + std::size_t(bits / 8) + 16;
        if (out.size() < needed)
            out.resize(std::max(needed, out.size() + out.size() / 4));
        return out.data() + written;
    }

    std::string &out;
    std::size_t written;
    PendingBits pending;
};

} // namespace

void appendUpFilteredZlib(const RgbaImage &image, std::string &out)
{
    const std::size_t stride = std::size_t(std::max<std::ptrdiff_t>(image.stride(), 0));
    const std::size_t height = std::size_t(std::max(image.height, 0));
    out.reserve(out.size() + stride * height / 8 + 64); // frames mostly take less
    out.append("\x78\x01", 2);                         // deflate with a 32 KB window, fastest, no dictionary
    Stream stream(out);
    Symbols symbols(stride);
    Adler32 checksum;
    const std::vector<uint8_t> zeros(stride, 0);
    for (std::size_t y = 0; y < height; ++y) {
        const uint8_t *row = image.bytes.data() + y * stride;
        gatherRow(row, y == 0 ? zeros.data() : row - stride, stride, symbols, checksum);
        const bool last = y + 1 == height;
        if (last || symbols.size >= kBlockSymbols)
            stream.writeBlock(symbols, last);
    }
    if (height == 0)
        stream.writeEmptyFinalBlock();
    stream.finish();
    const uint32_t adler = uint32_t(checksum.b << 16 | checksum.a);
    const char bigEndian[4] = {char(adler >> 24), char(adler >> 16), char(adler >> 8), char(adler)};
    out.append(bigEndian, 4);
}

} // namespace kvx
