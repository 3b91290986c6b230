#pragma once
// Runs a built program (kovexa, say) as a user with a private home would start it.

#include "support/testfiles.h"

#include <QString>
#include <QStringList>

namespace kvx::test {

struct ProgramOutcome {
    int exitCode = -1; // -1 also when it crashed or did not end in time
    bool ended = false;
    QString output;    // standard output and error, merged
};

// On the offscreen platform (the test's own desktop-sized screen under CTest), or without any
// display when withDisplay is false; HOME and XDG_CONFIG_HOME in home, which is also its working
// folder. Killed when it has not ended within two minutes.
ProgramOutcome runWithHome(const QString &program, const QStringList &arguments, const TempFolder &home,
                       bool withDisplay = true);

} // namespace kvx::test
