#include "editor/qt/treeprocess.h"

namespace kvx {

void TreeProcess::confineStarts()
{
    setChildProcessModifier([] { ProcessTree::enterOwnGroup(); });
}

} // namespace kvx
