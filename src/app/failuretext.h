#pragma once
// The window's words for every kind of failure below it: the one table, with the detail put in
// where the text has room for it and the system's reason after it.

#include "common/failure.h"

#include <QCoreApplication>
#include <QString>

namespace kvx {

class FailureText {
    Q_DECLARE_TR_FUNCTIONS(FailureText)
public:
    static QString of(const Failure &failure);
    static QString sentence(FailureKind kind);
};

} // namespace kvx
