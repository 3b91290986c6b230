#pragma once
// The modal dialogs the window opens, behind one seam so that tests can answer them.

#include "app/exportchoice.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QObject;
class QWidget;

namespace kvx {

// A box that says more than a sentence: its text, an explanation below it, a list that scrolls
// inside the box when long, and a further button.
struct WindowMessage {
    QMessageBox::Icon icon = QMessageBox::Information;
    QString title;
    QString text;
    QString explanation; // below the text; empty for none
    QString list;        // one entry a line; empty for none
    QString actionText;  // a button beside OK that runs action and closes the box; empty for none
    std::function<void()> action;
};

struct WindowDialogs {
    Q_DECLARE_TR_FUNCTIONS(WindowDialogs)
public:
    // QFileDialog::getOpenFileNames with the resource filter.
    std::function<QStringList(QWidget *parent)> chooseResourceFiles;
    // QFileDialog::getExistingDirectory for a folder of exports.
    std::function<QString(QWidget *parent)> chooseResourceFolder;
    // QFileDialog::getOpenFileName for the editor program.
    std::function<QString(QWidget *parent)> chooseEditorFile;
    // QFileDialog::getExistingDirectory for the output folder.
    std::function<QString(QWidget *parent, const QString &startDirectory)> chooseOutputFolder;
    // QMessageBox::warning / information / critical with a single Ok button.
    std::function<void(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)> showMessage;
    // A WindowMessage in a box that fits the screen. Left empty, show() hands showMessage the text
    // followed by the list, as boxes said it before they had explanations and further buttons.
    std::function<void(QWidget *parent, const WindowMessage &message)> showWindowMessage;
    // Shows a folder in the system's file manager.
    std::function<void(const QString &folder)> openFolder;
    // The dialog of "导出动画…" (ExportDialog); none when it was cancelled.
    std::function<std::optional<AnimationExportChoice>(QWidget *parent, const AnimationExportOffer &offer)>
        chooseAnimationExport;

    void show(QWidget *parent, const WindowMessage &message) const;

    static WindowDialogs platformDialogs();
};

// Runs show once no modal dialog is open, so that a box never opens over another; checks again
// until then, and drops it when wanted() turns false meanwhile or the context goes.
void showWhenNoDialogIsOpen(QObject *context, std::function<bool()> wanted, std::function<void()> show);

} // namespace kvx
