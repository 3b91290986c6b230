#include "editor/qt/treeprocess.h"

#include "editor/processrunner.h"

#include <QtGlobal>

namespace kvx {

namespace {

// How long the tree has to end on the request before it is forced: enough for a program to exit
// cleanly, short enough for a window that waits on it.
constexpr std::chrono::milliseconds kEndGrace{kProcessGraceMilliseconds};

} // namespace

TreeProcess::TreeProcess(QObject *parent) : QProcess(parent)
{
    confineStarts();
}

TreeProcess::~TreeProcess()
{
    endTree();
}

void TreeProcess::startInTree(const QString &program, const QStringList &arguments)
{
    tree.end(std::chrono::milliseconds(0));
    start(program, arguments, QIODevice::ReadWrite);
    if (processId() <= 0)
        return; // not started; errorOccurred says so
    const Status adopted = tree.adopt(processId());
    if (!adopted)
        qWarning("kovexa: %s", englishText(adopted.failure()).c_str());
}

void TreeProcess::endTree()
{
    tree.end(kEndGrace);
    // The program itself outside its tree (the group could not be made) or not yet reaped.
    if (state() != QProcess::NotRunning) {
        kill();
        waitForFinished(-1);
    }
}

} // namespace kvx
