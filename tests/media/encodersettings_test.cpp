#include "media/encodersettings.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(MediaFormats, NamesAndExtensionsLeadBackToTheirFormat)
{
    for (const MediaFormatTraits &traits : mediaFormats()) {
        EXPECT_EQ(mediaFormatFromName(traits.name), traits.format);
        EXPECT_EQ(mediaFormatFromExtension(traits.extension), traits.format);
        EXPECT_EQ(&traitsOf(traits.format), &traits);
    }
    EXPECT_EQ(mediaFormatFromName("WebM"), MediaFormat::Webm);
    EXPECT_EQ(mediaFormatFromExtension("MOV"), MediaFormat::Mov);
    EXPECT_EQ(mediaFormatFromName("avi"), std::nullopt);
}

TEST(EncoderSettings, RefusesWhatNoFormatOrThisFormatCanTake)
{
    const struct {
        EncoderSettings settings;
        bool accepted;
    } cases[] = {
        {{MediaFormat::Webm, 8192, 8192, 120}, true},
        {{MediaFormat::Gif, 1, 1, 1}, true},
        {{MediaFormat::Webp, 64, 64, 30, 0}, true},
        {{MediaFormat::Apng, 64, 64, 30, 100}, true},
        {{MediaFormat::Webm, 0, 64, 30}, false},
        {{MediaFormat::Webm, 64, 8193, 30}, false},
        {{MediaFormat::Mov, 64, 64, 0}, false},
        {{MediaFormat::Mov, 64, 64, 121}, false},
        {{MediaFormat::Gif, 64, 64, 51}, false},       // beyond what GIF's hundredths show
        {{MediaFormat::Webp, 64, 64, 30, 101}, false},
        {{MediaFormat::Webm, 64, 64, 30, 50}, false},  // no quality setting
        {{MediaFormat::Mp4, 63, 64, 30}, false},       // 4:2:0 needs even sides
    };
    for (const auto &c : cases) {
        const Status status = checkEncoderSettings(c.settings);
        EXPECT_EQ(status.ok(), c.accepted) << mediaFormatName(c.settings.format) << " " << c.settings.width << "x"
                                           << c.settings.height << " @" << c.settings.fps;
        if (!status)
            EXPECT_EQ(status.failure().kind, FailureKind::MediaSettingsRefused);
    }
}

} // namespace
} // namespace kvx
