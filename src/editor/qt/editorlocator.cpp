#include "editor/qt/editorlocator.h"

#include "common/qt/pathtext.h"
#include "editor/editordiscovery.h"

#include <QSettings>

namespace kvx {

QString locateSpineEditor()
{
    // The stored text is kept as the user picked it, even when it no longer leads anywhere.
    const QString stored = QSettings().value(kSpineEditorPathKey).toString();
    if (!stored.isEmpty()) {
        if (const std::optional<std::filesystem::path> chosen = normalizeSpineExecutable(toPath(stored)))
            return toQString(*chosen);
    }
    const PathList installed = findSpineInProgramFiles();
    return installed.empty() ? QString() : toQString(installed.front());
}

EditorSituation currentEditorSituation()
{
    return EditorSituation{toPath(locateSpineEditor()), listCachedEditorVersions()};
}

} // namespace kvx
