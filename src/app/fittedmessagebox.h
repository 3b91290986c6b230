#pragma once
// The window's message box for a WindowMessage: an icon, the text, the explanation below it, a
// list that scrolls inside the box, OK and an optional further button. However long the list, the
// box fits the screen it opens on.

#include "app/windowdialogs.h"

#include <QDialog>

class QPlainTextEdit;

namespace kvx {

class FittedMessageBox : public QDialog {
    Q_OBJECT
public:
    explicit FittedMessageBox(const WindowMessage &message, QWidget *parent = nullptr);

    // The list's view; null when the message has no list.
    QPlainTextEdit *listView() const { return listText; }

private:
    QPlainTextEdit *listText = nullptr;
};

} // namespace kvx
