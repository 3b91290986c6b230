#pragma once
// The window's words for an export's readiness in one line of a list (the drop-down, the skipped
// exports of "全部转换"): why it cannot be converted yet, or the editor version it converts with.

#include "readiness/readiness.h"

#include <QCoreApplication>
#include <QString>

namespace kvx {

class ReadinessText {
    Q_DECLARE_TR_FUNCTIONS(ReadinessText)
public:
    static QString of(const ReadinessReport &report);
};

} // namespace kvx
