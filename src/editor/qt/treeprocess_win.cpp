#include "editor/qt/treeprocess.h"

namespace kvx {

// The program starts suspended; startInTree resumes it once it is in its job.
void TreeProcess::confineStarts()
{
    setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *arguments) {
        arguments->flags |= ProcessTree::creationFlags();
    });
}

} // namespace kvx
