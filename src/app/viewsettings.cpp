#include "app/viewsettings.h"

#include "preview/playbackmodel.h"

#include <QSettings>
#include <QVariant>

namespace kvx {

QString backgroundName(PreviewBackground background)
{
    switch (background) {
    case PreviewBackground::Light:
        return QStringLiteral("light");
    case PreviewBackground::Checkerboard:
        return QStringLiteral("checkerboard");
    case PreviewBackground::Dark:
        break;
    }
    return QStringLiteral("dark");
}

PreviewBackground backgroundNamed(const QString &name)
{
    for (const PreviewBackground background : {PreviewBackground::Light, PreviewBackground::Checkerboard}) {
        if (name == backgroundName(background))
            return background;
    }
    return PreviewBackground::Dark;
}

ViewSettings readViewSettings()
{
    const QSettings settings;
    ViewSettings view;
    bool numeric = false;
    const float speed = settings.value(kViewSpeedKey).toFloat(&numeric);
    if (numeric)
        view.speed = nearestPlaybackSpeed(speed);
    const QVariant loop = settings.value(kViewLoopKey);
    if (loop.isValid())
        view.loop = loop.toBool();
    view.background = backgroundNamed(settings.value(kViewBackgroundKey).toString());
    view.windowGeometry = settings.value(kWindowGeometryKey).toByteArray();
    view.exportFolder = settings.value(kExportFolderKey).toString();
    view.language = uiLanguageWithCode(settings.value(kLanguageKey).toString()).value_or(UiLanguage::Chinese);
    return view;
}

void storeViewSpeed(float speed)
{
    QSettings().setValue(kViewSpeedKey, static_cast<double>(speed));
}

void storeViewLoop(bool loop)
{
    QSettings().setValue(kViewLoopKey, loop);
}

void storeViewBackground(PreviewBackground background)
{
    QSettings().setValue(kViewBackgroundKey, backgroundName(background));
}

void storeWindowGeometry(const QByteArray &geometry)
{
    QSettings().setValue(kWindowGeometryKey, geometry);
}

void storeExportFolder(const QString &folder)
{
    QSettings().setValue(kExportFolderKey, folder);
}

void storeLanguage(UiLanguage language)
{
    QSettings().setValue(kLanguageKey, uiLanguageCode(language));
}

} // namespace kvx
