#pragma once
// Resource intake without a window, for the window and the command line alike: walking what the
// user handed over and detecting each skeleton candidate, in one pass or off the GUI thread.

#include "assets/exportrecord.h"
#include "assets/qt/resourcewalk.h"

#include <QFuture>
#include <QString>
#include <QStringList>
#include <vector>

class QThreadPool;

namespace kvx {

enum class IntakeVerdict { Listed, Unrecognized, Unsupported, Ignored };

// What intake makes of one candidate: its record carries the detection; the atlas is read when a
// consumer first needs it.
struct IntakeOutcome {
    IntakeVerdict verdict = IntakeVerdict::Ignored;
    ExportRecord record;
    QString root; // where it was found: the folder handed over, or the folder of the file handed over
};

IntakeOutcome examineCandidate(const ScanCandidate &candidate);

// The folder the skeleton lies in, relative to the outcome's root, with "/" between its parts: ""
// when it lies in the root itself (and for a skeleton outside it, which intake never reports).
QString folderWithinRoot(const IntakeOutcome &outcome);

// Every handed-over path walked and examined in order, each file once; Ignored outcomes are left
// out. For the command line.
std::vector<IntakeOutcome> takeIn(const QStringList &paths);

// The same for the window, on the given pool: the future carries one outcome per candidate in walk
// order (Ignored ones included); its progress range is set to the number of candidates once the
// walk is done and its value counts the examined ones. Cancelling stops at the next entry.
QFuture<IntakeOutcome> scanResources(QThreadPool *pool, const QStringList &paths);

} // namespace kvx
