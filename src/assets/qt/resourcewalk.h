#pragma once
// The intake rules for handed-over paths, shared by the window and the command line: which files
// may be skeleton data, and whether problems with each are worth reporting.

#include <QList>
#include <QString>
#include <functional>

namespace kvx {

// A file that may be skeleton data. Problems with it are reported only when it was handed over
// directly or found in a handed-over folder, not when found beside an atlas or image.
struct ScanCandidate {
    QString path;
    bool reportProblems = true;
    QString root; // the folder handed over, or the folder of the file handed over: where it was found
};

// True for *.json, *.skel and a complete suffix of skel.bytes, ignoring case.
bool hasSkeletonSuffix(const QString &path);

// The candidates one handed-over path stands for, in the order intake visits them: a folder's
// skeleton files below it, the path itself when named like a skeleton, otherwise the skeleton files
// beside it. Symbolic links to folders are not followed. `cancelled` is polled between entries.
QList<ScanCandidate> candidatesFor(const QString &path, const std::function<bool()> &cancelled = {});

} // namespace kvx
