#pragma once
// Frames of a made-up animation for the encoder tests and benchmarks: a textured body with soft
// edges moving over transparency, and a hard-edged wedge at the bottom left whose widest row is
// its last (the row a cropping encoder must not lose). Header only, so benchmarks share it.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace kvx::test {

struct SyntheticFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba; // straight alpha, rows of width × 4 bytes
};

// `opaque`: composed over an opaque grey background, as frames for a format without alpha come.
// `grain`: up to this much fixed noise added to each colour channel, as in painted textures.
inline SyntheticFrame syntheticFrame(int width, int height, int index, bool opaque = false, int grain = 0)
{
    SyntheticFrame frame{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    const int centreX = width / 2 + (index * 3) % (width / 4 + 1) - width / 8;
    const int centreY = height / 2 + (index * 2) % (height / 8 + 1);
    const int radiusX = std::max(width / 4, 2), radiusY = std::max(height / 3, 2);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t *pixel = &frame.rgba[(std::size_t(y) * width + x) * 4];
            // Ellipse distance scaled by 256 at the rim; a soft edge 24 units wide.
            const long dx = long(x - centreX) * 256 / radiusX, dy = long(y - centreY) * 256 / radiusY;
            const long distance = dx * dx + dy * dy;
            int alpha = distance <= 232L * 232   ? 255
                        : distance >= 256L * 256 ? 0
                                                 : int((256L * 256 - distance) * 255 / (256L * 256 - 232L * 232));
            int red = 40 + 200 * x / width, green = 60 + 150 * y / height, blue = (index * 20 + x * 3 + y) % 256;
            const int wedgeTop = height * 3 / 4, wedgeBottom = height - 2;
            if (y >= wedgeTop && y <= wedgeBottom && x >= 1 &&
                x <= width / 4 && (width / 4 - x) * (wedgeBottom - wedgeTop) <= (y - wedgeTop) * (width / 4 - 1)) {
                alpha = 255;
                red = 230, green = 200, blue = 30;
            }
            if (grain > 0) {
                const unsigned noise = (unsigned(x + index) * 2654435761u ^ unsigned(y) * 40503u) >> 7;
                red = std::min(255, red + int(noise % unsigned(grain)));
                green = std::min(255, green + int(noise / 7 % unsigned(grain)));
                blue = std::min(255, blue + int(noise / 49 % unsigned(grain)));
            }
            if (alpha == 0) // colour that must not matter where nothing shows
                red = 7, green = 99, blue = 13;
            if (opaque) {
                red = (red * alpha + 50 * (255 - alpha)) / 255;
                green = (green * alpha + 50 * (255 - alpha)) / 255;
                blue = (blue * alpha + 60 * (255 - alpha)) / 255;
                alpha = 255;
            }
            pixel[0] = std::uint8_t(red), pixel[1] = std::uint8_t(green), pixel[2] = std::uint8_t(blue);
            pixel[3] = std::uint8_t(alpha);
        }
    }
    return frame;
}

} // namespace kvx::test
