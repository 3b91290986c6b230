#pragma once
// Names (pages, editor versions, Spine lines) listed in one line of the window's text: "、" between
// them in Chinese, ", " in English.

#include <QCoreApplication>
#include <QString>
#include <QStringList>

namespace kvx {

class NameList {
    Q_DECLARE_TR_FUNCTIONS(NameList)
public:
    static QString separator();
    static QString of(const QStringList &names);
};

} // namespace kvx
