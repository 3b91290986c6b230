#include "support/renderexport.h"

#include "common/qt/pathtext.h"

#include <QImage>
#include <QPainter>
#include <fstream>

namespace kvx::test {
namespace {

void writeText(const std::filesystem::path &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

std::filesystem::path writeRenderExport(const std::filesystem::path &folder, const std::string &name,
                                        const std::string &extraAnimations)
{
    std::filesystem::create_directories(folder);
    QImage page(64, 32, QImage::Format_ARGB32);
    page.fill(Qt::transparent);
    {
        QPainter painter(&page);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(8, 8, 16, 16, kBoxColour);
        painter.fillRect(40, 8, 16, 16, kGlassColour);
    }
    page.save(toQString(folder / (name + ".png")), "PNG");
    writeText(folder / (name + ".atlas"), name + ".png\nsize: 64,32\nfilter: Nearest,Nearest\npma: false\n"
                                                 "box\nbounds: 8,8,16,16\nglass\nbounds: 40,8,16,16\n");
    const std::string still = R"({"bones": {"root": {"rotate": [{"time": 0, "value": 0}, {"time": )";
    writeText(folder / (name + ".json"),
              R"({"skeleton": {"hash": "render", "spine": "4.2.43"}, "bones": [{"name": "root"}],)"
              R"( "slots": [{"name": "box", "bone": "root", "attachment": "box"},)"
              R"( {"name": "glass", "bone": "root", "attachment": "glass"}],)"
              R"( "skins": [{"name": "default", "attachments": {"box": {"box": {"width": 16, "height": 16}},)"
              R"( "glass": {"glass": {"x": -40, "width": 16, "height": 16}}}}],)"
              R"( "animations": {"move": {"bones": {"root": {"translate": [{"time": 0, "x": 0, "y": 0},)"
              R"( {"time": 1, "x": 40, "y": 0}]}}}, "still": )" + still + R"(0.5, "value": 0}]}}},)"
              R"( "face/blink": )" + still + R"(0.2, "value": 0}]}}})" + extraAnimations + "}}");
    return folder / (name + ".json");
}

} // namespace kvx::test
