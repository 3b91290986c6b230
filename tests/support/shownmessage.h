#pragma once
// A message box the window would have shown, as the tests' dialogs record it.

#include <QMessageBox>
#include <QString>

namespace kvx::test {

struct ShownMessage {
    QMessageBox::Icon icon;
    QString title;
    QString text;
};

} // namespace kvx::test
