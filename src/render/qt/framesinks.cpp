#include "render/qt/framesinks.h"

#include "common/newfile.h"
#include "common/workingfolder.h"
#include "conversion/publish.h"
#include "media/animationencoder.h"
#include "media/mediaformat.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace kvx {
namespace {

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
