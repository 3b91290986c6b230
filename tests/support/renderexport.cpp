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

void writePageAndAtlas(const std::filesystem::path &folder, const std::string &name)
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
}

} // namespace

std::filesystem::path writeRenderExport(const std::filesystem::path &folder, const std::string &name,
                                        const std::string &extraAnimations)
{
    writePageAndAtlas(folder, name);
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

std::filesystem::path writeSwingingExport(const std::filesystem::path &folder, const std::string &name)
{
    writePageAndAtlas(folder, name);
    const auto translate = [](const std::string &keys) { return R"({"bones": {"root": {"translate": [)" + keys + "]}}}"; };
    writeText(folder / (name + ".json"),
              R"({"skeleton": {"hash": "swing", "spine": "4.2.43"}, "bones": [{"name": "root"},)"
              R"( {"name": "arm", "parent": "root", "y": -10, "length": 20, "rotation": -90}],)"
              R"( "slots": [{"name": "box", "bone": "arm", "attachment": "box"}],)"
              R"( "skins": [{"name": "default", "attachments": {"box": {"box": {"x": 20, "width": 16, "height": 16}}}}],)"
              R"( "physics": [{"name": "sway", "order": 0, "bone": "arm", "x": 1, "y": 1, "rotate": 1, "inertia": 0.5,)"
              R"( "strength": 60, "damping": 0.9}],)"
              R"( "animations": {"kick": )"
              + translate(R"({"time": 0, "x": 0, "y": 0}, {"time": 0.2, "x": -30, "y": 15}, {"time": 0.5, "x": 0, "y": 0})")
              + R"(, "rest": )" + translate(R"({"time": 0, "x": 0, "y": 0}, {"time": 0.5, "x": 0, "y": 0})")
              + R"(, "sway": )"
              + translate(R"({"time": 0, "x": 0, "y": 0}, {"time": 0.5, "x": 20, "y": 0}, {"time": 1, "x": 0, "y": 0})")
              + "}}");
    return folder / (name + ".json");
}

} // namespace kvx::test
