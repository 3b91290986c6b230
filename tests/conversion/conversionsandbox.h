#pragma once
// A private HOME with the stand-in editor installed and 4.2.43 cached, and an export to convert.

#include "support/testfiles.h"
#include "support/waits.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace kvx::test {

// Pixels written into the export's pages (see exportAtlasText for where the regions lie).
inline const QColor kPremultipliedBody(64, 32, 0, 128);     // on the pma page, stored premultiplied
inline const QColor kStraightBody(128, 64, 0, 128);         // the same colour in straight alpha
QColor packedArmPixel(int x, int y);                        // the rotated region as packed, 3 x 2
inline const QColor kHeadPixel(10, 200, 30, 255);           // the padded region on the second page

// hero.png (pma: true): "body" 4 x 2 at (0, 0), "arm" 2 x 3 upright, packed rotated at (4, 0).
// hero_2.png: "face/head" 2 x 2 at (0, 0), padded back to 3 x 4 with its offsets.
std::string exportAtlasText();

class ConversionSandbox {
public:
    ConversionSandbox();

    std::filesystem::path home() const { return root / "home"; }
    std::filesystem::path editor() const { return root / "home/Spine/Spine.sh"; }
    std::filesystem::path exportFolder() const { return root / "export"; }
    std::filesystem::path skeleton() const { return root / "export/hero.json"; }
    std::filesystem::path atlas() const { return root / "export/hero.atlas"; }
    std::filesystem::path output() const { return root / "out"; }
    std::filesystem::path log() const { return root / "standin.log"; }
    std::filesystem::path editorProcesses() const { return root / "editor.pid"; } // a line per stand-in run

    // The process id of the stand-in run started last, 0 before any.
    long lastEditorProcess() const;

    void cacheEditorVersion(const std::string &version) const;
    // Turns Spine.sh into a launcher script that records its id in launcherIds and then runs
    // body, in which "$editor" is the stand-in (moved beside it) and "$@" the arguments, as an
    // editor launcher that starts the editor as its child would: "\"$editor\" \"$@\"".
    void installLauncher(const std::string &body) const;
    std::filesystem::path launcherIds() const { return root / "launcher.pid"; }
    // A complete copy of the export in root / folder, under the skeleton name given; returns the
    // copied skeleton.
    std::filesystem::path copyExportTo(const std::filesystem::path &folder, const std::string &name = "hero") const;
    void writeAtlas(const std::string &text) const;
    // The export's atlas and page images as bytes, to prove they were never touched.
    std::string exportFingerprint() const;

    QString q(const std::filesystem::path &path) const;

    TempFolder root;

private:
    std::unique_ptr<ScopedEnvironment> homeVariable;
    std::unique_ptr<ScopedEnvironment> configVariable;
    std::unique_ptr<ScopedEnvironment> logVariable;
    std::unique_ptr<ScopedEnvironment> processVariable;
};

// Entry names directly inside a folder, sorted ("." entries included).
QStringList entryNames(const std::filesystem::path &folder);

// Whether the process runs (neither gone nor a zombie).
bool processIsLive(long pid);


QImage readImage(const std::filesystem::path &file);

} // namespace kvx::test
