#include "conversion/conversionsandbox.h"

#include "common/qt/pathtext.h"

#include <QCoreApplication>
#include <QDir>
#include <fstream>

namespace kvx::test {

namespace fs = std::filesystem;

namespace {

constexpr char kSkeletonJson[] =
    R"({"skeleton":{"hash":"sandbox","spine":"4.2.43","x":-2,"y":0,"width":4,"height":4,"images":"./images/"},)"
    R"("bones":[{"name":"root"}],"slots":[],"skins":[{"name":"default","attachments":{}}],"animations":{}})";

void savePage(const QImage &image, const fs::path &file)
{
    image.save(toQString(file), "PNG");
}

QImage firstPage()
{
    QImage page(8, 8, QImage::Format_ARGB32);
    page.fill(Qt::transparent);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            page.setPixelColor(x, y, kPremultipliedBody);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            page.setPixelColor(4 + x, y, packedArmPixel(x, y));
    return page;
}

QImage secondPage()
{
    QImage page(4, 4, QImage::Format_ARGB32);
    page.fill(Qt::transparent);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            page.setPixelColor(x, y, kHeadPixel);
    return page;
}

} // namespace

QColor packedArmPixel(int x, int y)
{
    return QColor(40 * x + 20, 100 * y + 50, 7, 255);
}

std::string exportAtlasText()
{
    return "hero.png\n"
           "size: 8, 8\n"
           "filter: Linear, Linear\n"
           "pma: true\n"
           "body\n"
           "bounds: 0, 0, 4, 2\n"
           "arm\n"
           "bounds: 4, 0, 2, 3\n"
           "rotate: 90\n"
           "\n"
           "hero_2.png\n"
           "size: 4, 4\n"
           "filter: Linear, Linear\n"
           "face/head\n"
           "bounds: 0, 0, 2, 2\n"
           "offsets: 0, 0, 3, 4\n";
}

ConversionSandbox::ConversionSandbox()
{
    const std::string homeText = home().string();
    const std::string configText = (root / "config").string();
    const std::string logText = log().string();
    homeVariable = std::make_unique<ScopedEnvironment>("HOME", homeText);
    configVariable = std::make_unique<ScopedEnvironment>("XDG_CONFIG_HOME", configText);
    logVariable = std::make_unique<ScopedEnvironment>("KVX_STANDIN_LOG", logText);
    processVariable = std::make_unique<ScopedEnvironment>("KVX_STANDIN_PID_FILE", editorProcesses().string());
    fs::create_directories(root / "config");
    fs::create_directories(editor().parent_path());
    fs::copy_file(standinEditorPath(), editor());
    cacheEditorVersion("4.2.43");

    root.write("export/hero.json", kSkeletonJson);
    writeAtlas(exportAtlasText());
    savePage(firstPage(), exportFolder() / "hero.png");
    savePage(secondPage(), exportFolder() / "hero_2.png");
}

void ConversionSandbox::cacheEditorVersion(const std::string &version) const
{
    root.write(fs::path("home/.spine/updates") / version, "cached editor");
}

void ConversionSandbox::installLauncher(const std::string &body) const
{
    const fs::path program = editor().parent_path() / "editor-bin";
    fs::rename(editor(), program);
    // The status is kept so that the shell never replaces itself with the last command.
    root.write(editor().lexically_relative(root.path()),
               "#!/bin/sh\necho $$ >> '" + launcherIds().string() + "'\neditor='" + program.string() + "'\n" + body
                   + "\nstatus=$?\nexit $status\n");
    fs::permissions(editor(), fs::perms::owner_all);
}

void ConversionSandbox::writeAtlas(const std::string &text) const
{
    root.write("export/hero.atlas", text);
}

std::string ConversionSandbox::exportFingerprint() const
{
    std::string bytes;
    for (const char *name : {"hero.json", "hero.atlas", "hero.png", "hero_2.png"})
        bytes += std::string(name) + '\0' + readFileBytes(exportFolder() / name) + '\0';
    return bytes;
}

long ConversionSandbox::lastEditorProcess() const
{
    std::ifstream in(editorProcesses());
    long pid = 0;
    for (long next = 0; in >> next;)
        pid = next;
    return pid;
}

bool processIsLive(long pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text))
        return false;
    const size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z' && text[close + 2] != 'X';
}

QString ConversionSandbox::q(const fs::path &path) const
{
    return toQString(path);
}

std::filesystem::path ConversionSandbox::copyExportTo(const std::filesystem::path &folder, const std::string &name) const
{
    namespace fs = std::filesystem;
    const fs::path target = root / folder;
    fs::create_directories(target);
    fs::copy_file(skeleton(), target / (name + ".json"));
    fs::copy_file(atlas(), target / (name + ".atlas"));
    fs::copy_file(exportFolder() / "hero.png", target / "hero.png");
    fs::copy_file(exportFolder() / "hero_2.png", target / "hero_2.png");
    return target / (name + ".json");
}

QStringList entryNames(const fs::path &folder)
{
    return QDir(toQString(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                             QDir::Name);
}

QImage readImage(const fs::path &file)
{
    return QImage(toQString(file)).convertToFormat(QImage::Format_ARGB32);
}

} // namespace kvx::test
