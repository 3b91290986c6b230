#pragma once
// The modal dialogs the window opens, behind one seam so that tests can answer them.

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace kvx {

struct WindowDialogs {
    // QFileDialog::getOpenFileNames with the resource filter.
    std::function<QStringList(QWidget *parent)> chooseResourceFiles;
    // QFileDialog::getOpenFileName for the editor program.
    std::function<QString(QWidget *parent)> chooseEditorFile;
    // QFileDialog::getExistingDirectory for the output folder.
    std::function<QString(QWidget *parent, const QString &startDirectory)> chooseOutputFolder;
    // QMessageBox::warning / information / critical with a single Ok button.
    std::function<void(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)> showMessage;

    static WindowDialogs platformDialogs();
};

} // namespace kvx
