#include "render/qt/framesinks.h"

#include "common/newfile.h"
#include "common/workingfolder.h"
#include "conversion/publish.h"
#include "media/animationencoder.h"
#include "media/mediaformat.h"

#include <zlib.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace kvx {
namespace {

// Frames are mostly transparency and flat colour. Each row stored less the row above ("Up": the
// same pixel one row higher) and deflated with zlib's run-length strategy at its fastest level
// costs under a fifth of what Qt's PNG writer spends (every filter tried per row, zlib's default
// level) for files about 15 % larger (measured by kvx-bench-render).
constexpr int kPngZlibLevel = 1;
constexpr uint8_t kPngUpFilter = 2;

void appendBigEndian(std::string &bytes, uint32_t value)
{
    const char four[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    bytes.append(four, 4);
}

void appendChunk(std::string &png, const char (&type)[5], const unsigned char *data, std::size_t size)
{
    appendBigEndian(png, uint32_t(size));
    uLong crc = crc32(0, reinterpret_cast<const Bytef *>(type), 4);
    png.append(type, 4);
    if (size > 0) {
        png.append(reinterpret_cast<const char *>(data), size);
        crc = crc32(crc, data, uInt(size));
    }
    appendBigEndian(png, uint32_t(crc));
}

// Each row as PNG stores it: the filter type, then the row less the one above.
std::vector<unsigned char> filteredRows(const RgbaImage &image)
{
    const std::size_t stride = std::size_t(image.stride());
    std::vector<unsigned char> rows((stride + 1) * std::size_t(image.height));
    for (int y = 0; y < image.height; ++y) {
        const uint8_t *row = image.bytes.data() + std::size_t(y) * stride;
        unsigned char *out = rows.data() + std::size_t(y) * (stride + 1);
        out[0] = kPngUpFilter;
        if (y == 0) {
            std::copy(row, row + stride, out + 1);
            continue;
        }
        const uint8_t *above = row - stride;
        for (std::size_t i = 0; i < stride; ++i)
            out[1 + i] = uint8_t(row[i] - above[i]);
    }
    return rows;
}

// The zlib stream of the bytes; empty when zlib fails.
std::vector<unsigned char> deflated(const std::vector<unsigned char> &bytes)
{
    z_stream stream{};
    if (deflateInit2(&stream, kPngZlibLevel, Z_DEFLATED, 15, 8, Z_RLE) != Z_OK)
        return {};
    std::vector<unsigned char> out(deflateBound(&stream, uLong(bytes.size())));
    stream.next_in = const_cast<Bytef *>(bytes.data());
    stream.avail_in = uInt(bytes.size());
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return status == Z_STREAM_END ? out : std::vector<unsigned char>{};
}

std::filesystem::path stemOf(const std::filesystem::path &target)
{
    return target.stem();
}

Failure writeFailure(const std::filesystem::path &path, std::error_code error)
{
    return failure(FailureKind::FileWrite, pathDetail(path), error);
}

// The working folder beside the target, and publishing out of it.
class Aside {
public:
    static Result<Aside> beside(const std::filesystem::path &target)
    {
        Result<WorkingFolder> working = WorkingFolder::create(target.parent_path());
        if (!working)
            return working.failure();
        return Aside(target, std::move(*working));
    }

    const std::filesystem::path &folder() const { return working.path(); }

    // A file inside the working folder published as the target (or the next free name).
    Result<std::filesystem::path> publishFile(const std::filesystem::path &file)
    {
        return publishUnderFreeName(file, target.parent_path(), stemOf(target), target.extension());
    }

    // The working folder itself published as the target folder.
    Result<std::filesystem::path> publishFolder()
    {
        Result<std::filesystem::path> published =
            publishUnderFreeName(working.path(), target.parent_path(), target.filename());
        if (published)
            working.release();
        return published;
    }

private:
    Aside(std::filesystem::path target, WorkingFolder working) : target(std::move(target)), working(std::move(working))
    {
    }

    std::filesystem::path target;
    WorkingFolder working;
};

Status writePng(const RgbaImage &frame, const std::filesystem::path &path)
{
    const std::string bytes = encodePng(frame);
    if (bytes.empty())
        return failure(FailureKind::FileWrite, pathDetail(path) + " (the PNG could not be encoded)");
    if (const std::error_code error = writeNewFile(path, bytes))
        return writeFailure(path, error);
    return Done{};
}

class PngImageSink final : public FrameSink {
public:
    explicit PngImageSink(Aside aside) : aside(std::move(aside)) {}

    Status add(const RgbaImage &frame) override
    {
        if (written)
            return failure(FailureKind::InvalidArgument, "a single image takes one frame");
        Status status = writePng(frame, file());
        written = status.ok();
        return status;
    }

    Result<std::filesystem::path> finish() override
    {
        if (!written)
            return failure(FailureKind::MediaNoFrames);
        return aside.publishFile(file());
    }

private:
    std::filesystem::path file() const { return aside.folder() / "frame.png"; }

    Aside aside;
    bool written = false;
};

class PngSequenceSink final : public FrameSink {
public:
    PngSequenceSink(Aside aside, std::string frameName, int64_t frameCount)
        : aside(std::move(aside)), frameName(std::move(frameName)),
          digits(std::max<int>(4, int(std::to_string(std::max<int64_t>(frameCount, 1)).size())))
    {
    }

    Status add(const RgbaImage &frame) override
    {
        std::string number = std::to_string(++count);
        number.insert(0, std::size_t(std::max(0, digits - int(number.size()))), '0');
        const std::string name = frameName + "_" + number + ".png";
        return writePng(frame, aside.folder() / std::filesystem::path(std::u8string(name.begin(), name.end())));
    }

    Result<std::filesystem::path> finish() override
    {
        if (count == 0)
            return failure(FailureKind::MediaNoFrames);
        return aside.publishFolder();
    }

private:
    Aside aside;
    std::string frameName;
    int digits;
    int64_t count = 0;
};

class AnimationSink final : public FrameSink {
public:
    AnimationSink(Aside aside, std::unique_ptr<AnimationEncoder> encoder, std::filesystem::path file)
        : aside(std::move(aside)), encoder(std::move(encoder)), file(std::move(file))
    {
    }

    Status add(const RgbaImage &frame) override
    {
        return encoder->addFrame({frame.bytes.data(), frame.width, frame.height, frame.stride()});
    }

    Result<std::filesystem::path> finish() override
    {
        if (Status finished = encoder->finish(); !finished)
            return finished.failure();
        return aside.publishFile(file);
    }

private:
    Aside aside; // declared first: the encoder's files go before the folder does
    std::unique_ptr<AnimationEncoder> encoder;
    std::filesystem::path file;
};

} // namespace

std::string encodePng(const RgbaImage &image)
{
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    appendBigEndian(header, uint32_t(image.width));
    appendBigEndian(header, uint32_t(image.height));
    header.append("\x08\x06\x00\x00\x00", 5); // 8 bits, RGBA, deflate, per-row filters, not interlaced
    appendChunk(png, "IHDR", reinterpret_cast<const unsigned char *>(header.data()), header.size());
    const std::vector<unsigned char> compressed = deflated(filteredRows(image));
    if (compressed.empty())
        return {};
    appendChunk(png, "IDAT", compressed.data(), compressed.size());
    appendChunk(png, "IEND", nullptr, 0);
    return png;
}

Result<std::unique_ptr<FrameSink>> pngImageSink(const std::filesystem::path &target)
{
    Result<Aside> aside = Aside::beside(target);
    if (!aside)
        return aside.failure();
    return std::unique_ptr<FrameSink>(std::make_unique<PngImageSink>(std::move(*aside)));
}

Result<std::unique_ptr<FrameSink>> pngSequenceSink(const std::filesystem::path &target, const std::string &frameName,
                                                   int64_t frameCount)
{
    Result<Aside> aside = Aside::beside(target);
    if (!aside)
        return aside.failure();
    return std::unique_ptr<FrameSink>(std::make_unique<PngSequenceSink>(std::move(*aside), frameName, frameCount));
}

Result<std::unique_ptr<FrameSink>> animationSink(const std::filesystem::path &target, const EncoderSettings &settings)
{
    Result<Aside> aside = Aside::beside(target);
    if (!aside)
        return aside.failure();
    std::filesystem::path file = aside->folder() / ("frames" + std::string(mediaFormatExtension(settings.format)));
    Result<std::unique_ptr<AnimationEncoder>> encoder = AnimationEncoder::create(file, settings);
    if (!encoder)
        return encoder.failure();
    return std::unique_ptr<FrameSink>(std::make_unique<AnimationSink>(std::move(*aside), std::move(*encoder), std::move(file)));
}

} // namespace kvx
