#include "plugins/exportfixtures.h"

#include "common/qt/pathtext.h"

#include <QColor>
#include <QImage>

#include <sstream>

namespace kvx::test {

namespace {

std::string versionText(const std::string &line)
{
    return line == "3.8" ? "3.8.99" : line + ".20";
}

std::string legacyRegion(const AtlasRegionSpec &region)
{
    std::ostringstream text;
    text << region.name << "\n  rotate: " << (region.rotated ? "true" : "false") << "\n  xy: " << region.x << ", " << region.y << "\n  size: " << region.width
         << ", " << region.height << "\n  orig: " << region.width << ", " << region.height
         << "\n  offset: 0, 0\n  index: -1\n";
    return text.str();
}

std::string currentRegion(const AtlasRegionSpec &region)
{
    std::ostringstream text;
    text << region.name << "\nbounds: " << region.x << "," << region.y << "," << region.width << "," << region.height
         << "\n";
    if (region.rotated)
        text << "rotate: 90\n";
    return text.str();
}

} // namespace

std::string atlasText(const std::string &line, const std::vector<AtlasRegionSpec> &regions, bool withSize)
{
    const bool legacy = line == "3.8";
    std::string text = legacy ? "\npage.png\n" : "page.png\n";
    if (withSize)
        text += legacy ? "size: 64,64\n" : "size: 64,64\n";
    text += legacy ? "format: RGBA8888\nfilter: Linear,Linear\nrepeat: none\n" : "filter: Linear,Linear\n";
    for (const AtlasRegionSpec &region : regions)
        text += legacy ? legacyRegion(region) : currentRegion(region);
    return text;
}

std::string skeletonJson(const std::string &line, const std::string &bones, const std::string &slotList,
                         const std::string &attachments, const std::string &animations,
                         const std::string &extraSkins)
{
    std::ostringstream json;
    json << R"({"skeleton": {"hash": "fixture", "spine": ")" << versionText(line) << R"("},)"
         << R"("bones": [)" << bones << "],"
         << R"("slots": [)" << slotList << "],"
         << R"("skins": [{"name": "default", "attachments": {)" << attachments << "}}" << extraSkins << "]";
    if (!animations.empty())
        json << R"(, "animations": {)" << animations << "}";
    json << "}";
    return json.str();
}

std::string rotateTimeline(const std::string &line, const std::vector<std::pair<float, float>> &keys)
{
    const char *valueName = line == "3.8" ? "angle" : "value";
    std::ostringstream json;
    json << "[";
    for (size_t i = 0; i < keys.size(); ++i)
        json << (i ? ", " : "") << R"({"time": )" << keys[i].first << R"(, ")" << valueName << R"(": )" << keys[i].second
             << "}";
    json << "]";
    return json.str();
}

ExportPaths writeExport(const TempFolder &folder, const std::string &skeleton, const std::string &atlas,
                        const std::string &skeletonName)
{
    ExportPaths paths;
    paths.skeleton = folder.write(skeletonName, skeleton);
    paths.atlas = folder.write("skeleton.atlas", atlas);
    paths.page = folder / "page.png";
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(QColor(200, 80, 40));
    image.save(toQString(paths.page), "PNG");
    return paths;
}

} // namespace kvx::test
