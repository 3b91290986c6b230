#pragma once
// A QProcess whose every program runs as the root of a process tree of its own (see ProcessTree),
// so that ending it ends what the program started too: the editor behind a launcher script.

#include "editor/processtree.h"

#include <QProcess>

namespace kvx {

class TreeProcess : public QProcess {
    Q_OBJECT
public:
    explicit TreeProcess(QObject *parent = nullptr);
    // Ends the tree as endTree does.
    ~TreeProcess() override;

    // Starts the program in a new tree; the previous one is forced to end first. Use this rather
    // than start(), which on Windows would leave the program suspended.
    void startInTree(const QString &program, const QStringList &arguments);

    // Asks the tree to end, forces what is left after the grace period, and reaps the program. On
    // return nothing of the tree runs, bar a process the system itself cannot end. Emits finished
    // when the program was still running.
    void endTree();

private:
    // The platform's part of every start: a group of its own, or created suspended.
    void confineStarts();

    ProcessTree tree;
};

} // namespace kvx
