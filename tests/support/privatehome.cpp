#include "support/privatehome.h"

#include "common/qt/pathtext.h"
#include "support/standineditor.h"

#include <QSettings>

namespace kvx::test {

std::filesystem::path PrivateHome::installEditor(const std::string &output, int delayMilliseconds) const
{
    const std::filesystem::path editor = writeStandinEditorScript(home / "Spine" / "Spine.sh", output, delayMilliseconds);
    QSettings().setValue(QStringLiteral("spineEditorPath"), toQString(editor));
    return editor;
}

void PrivateHome::cacheEditorVersion(const std::string &version) const
{
    home.write(std::filesystem::path(".spine") / "updates" / version, "cached editor");
}

} // namespace kvx::test
