#pragma once
// The animation file formats Kovexa writes, and what each one can hold: the one table the command
// line, the window and the encoders read.

#include <optional>
#include <span>
#include <string_view>

namespace kvx {

enum class MediaFormat { Gif, Apng, Webp, Webm, Mov, Mp4 };

struct MediaFormatTraits {
    MediaFormat format;
    std::string_view name;      // the command line's word, such as "webm"
    std::string_view extension; // with its dot, such as ".webm"
    bool keepsAlpha;            // false: frames must already be composed over an opaque background
    bool loops;                 // an animated image that plays forever (not a video)
    bool takesQuality;          // EncoderSettings::quality selects a lossy encoding
    bool needsEvenSize;         // width and height must be even
    int maxFps;                 // the highest frame rate the format shows faithfully
};

// In the order of MediaFormat.
std::span<const MediaFormatTraits> mediaFormats();

const MediaFormatTraits &traitsOf(MediaFormat format);
std::string_view mediaFormatName(MediaFormat format);
std::string_view mediaFormatExtension(MediaFormat format);

// By name ("gif") or extension with or without its dot (".gif", "GIF"), ignoring ASCII case.
std::optional<MediaFormat> mediaFormatFromName(std::string_view name);
std::optional<MediaFormat> mediaFormatFromExtension(std::string_view extension);

} // namespace kvx
