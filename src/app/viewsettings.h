#pragma once
// The view choices remembered between runs, beside "spineEditorPath" in the per-user settings:
// playback speed, loop, canvas background, the window's geometry, the folder exports went to and
// the window's language.
// Stored values that make no sense read as the defaults.

#include "app/spinepreviewwidget.h"
#include "common/qt/uilanguage.h"

#include <QByteArray>
#include <QString>

namespace kvx {

struct ViewSettings {
    float speed = 1.0f;
    bool loop = true;
    PreviewBackground background = PreviewBackground::Dark;
    QByteArray windowGeometry; // empty: the window keeps its built-in size
    QString exportFolder;      // empty: none chosen yet
    UiLanguage language = UiLanguage::Chinese;
};

inline constexpr const char *kViewSpeedKey = "viewSpeed";
inline constexpr const char *kViewLoopKey = "viewLoop";
inline constexpr const char *kViewBackgroundKey = "viewBackground";
inline constexpr const char *kWindowGeometryKey = "windowGeometry";
inline constexpr const char *kExportFolderKey = "exportFolder";
inline constexpr const char *kLanguageKey = "language";

ViewSettings readViewSettings();
void storeViewSpeed(float speed);
void storeViewLoop(bool loop);
void storeViewBackground(PreviewBackground background);
void storeWindowGeometry(const QByteArray &geometry);
void storeExportFolder(const QString &folder);
void storeLanguage(UiLanguage language);

QString backgroundName(PreviewBackground background);
PreviewBackground backgroundNamed(const QString &name); // Dark for anything unknown

} // namespace kvx
