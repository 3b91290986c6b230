#pragma once
// The editor the window uses: the stored "spineEditorPath" setting first, then the install search.

#include "editor/editorsituation.h"

#include <QString>

namespace kvx {

inline constexpr char kSpineEditorPathKey[] = "spineEditorPath";

QString locateSpineEditor();

// The located editor and the update cache, listed once.
EditorSituation currentEditorSituation();

} // namespace kvx
