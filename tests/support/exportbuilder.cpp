#include "support/exportbuilder.h"

#include <fstream>

namespace kvx::test {

namespace {

void writeBytes(const std::filesystem::path &path, const std::string &bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string lengthPrefixed(const std::string &text)
{
    // Length + 1 as a variable-length integer; test strings stay below 127 bytes.
    return std::string(1, static_cast<char>(text.size() + 1)) + text;
}

} // namespace

std::string skeletonJson(const std::string &version)
{
    return "{\n  \"skeleton\": { \"hash\": \"h\", \"spine\": \"" + version
        + "\", \"images\": \"./images/\" },\n  \"bones\": [ { \"name\": \"root\" } ],\n  \"animations\": {}\n}\n";
}

std::string skeletonBinary(const std::string &version)
{
    return lengthPrefixed("hash1234") + lengthPrefixed(version) + std::string("\x00\x01\x02", 3);
}

std::string atlasText(const std::vector<std::string> &pageNames)
{
    std::string text;
    for (const std::string &page : pageNames) {
        text += "\n" + page + "\nsize: 64, 64\nformat: RGBA8888\nfilter: Linear, Linear\nrepeat: none\n";
        text += "region\n  bounds: 0, 0, 8, 8\n";
    }
    return text;
}

std::string chainSkeletonJson(const std::string &version, int boneCount)
{
    std::string bones, slots, attachments, timelines;
    for (int i = 0; i < boneCount; ++i) {
        const std::string name = "b" + std::to_string(i);
        const std::string separator = i ? ", " : "";
        bones += separator + R"({"name": ")" + name + "\"";
        if (i > 0)
            bones += R"(, "parent": "b)" + std::to_string(i - 1) + R"(", "x": 12, "rotation": 3)";
        bones += "}";
        slots += separator + R"({"name": ")" + name + R"(", "bone": ")" + name + R"(", "attachment": "r"})";
        attachments += separator + "\"" + name + R"(": {"r": {"width": 16, "height": 16}})";
        timelines += separator + "\"" + name
                     + R"(": {"rotate": [{"time": 0, "value": 0}, {"time": 1, "value": 4}, {"time": 2, "value": 0}]})";
    }
    return R"({"skeleton": {"hash": "chain", "spine": ")" + version + R"("}, "bones": [)" + bones
           + R"(], "slots": [)" + slots + R"(], "skins": [{"name": "default", "attachments": {)" + attachments
           + R"(}}], "animations": {"sway": {"bones": {)" + timelines + "}}}}";
}

std::string chainAtlas(const std::string &pageName)
{
    return pageName + "\nsize: 16,16\nfilter: Linear,Linear\nr\nbounds: 0,0,16,16\n";
}

std::string tinyPng()
{
    static const unsigned char bytes[] = {
        0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00,
        0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1f, 0x15, 0xc4, 0x89, 0x00,
        0x00, 0x00, 0x0b, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8, 0x0f, 0x04, 0x00, 0x09, 0xfb, 0x03,
        0xfd, 0xfb, 0x5e, 0x6b, 0x2b, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
    return std::string(reinterpret_cast<const char *>(bytes), sizeof bytes);
}

std::vector<std::filesystem::path> writeExportFolder(const std::filesystem::path &root, int count, int folders,
                                                     const std::string &version, int boneCount)
{
    const std::string skeleton = chainSkeletonJson(version, boneCount);
    const std::string png = tinyPng();
    std::vector<std::filesystem::path> skeletons;
    for (int i = 0; i < count; ++i) {
        const std::filesystem::path folder = root / ("character" + std::to_string(i % folders));
        const std::string name = "hero" + std::to_string(i);
        skeletons.push_back(folder / (name + ".json"));
        writeBytes(skeletons.back(), skeleton);
        writeBytes(folder / (name + ".atlas"), chainAtlas(name + ".png"));
        writeBytes(folder / (name + ".png"), png);
    }
    return skeletons;
}

} // namespace kvx::test
