#pragma once
// The editor the window uses: the stored "spineEditorPath" setting first, then the install search.

#include <QString>

namespace kvx {

inline constexpr char kSpineEditorPathKey[] = "spineEditorPath";

QString locateSpineEditor();

} // namespace kvx
