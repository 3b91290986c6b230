#include "app/windowdialogs.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace kvx {

namespace {

// The dialogs speak in the window's translation context.
QString windowText(const char *source)
{
    return QCoreApplication::translate("kvx::MainWindow", source);
}

QStringList openResourceDialog(QWidget *parent)
{
    return QFileDialog::getOpenFileNames(
        parent, windowText("选择导出资源"), QString(),
        windowText("Spine 资源 (*.json *.skel *.skel.bytes *.atlas *.atlas.txt *.png *.jpg *.jpeg *.webp);;所有文件 (*)"));
}

QString openEditorDialog(QWidget *parent)
{
    return QFileDialog::getOpenFileName(parent, windowText("指定 Spine 程序"), QString(), windowText("所有文件 (*)"));
}

QString openOutputFolderDialog(QWidget *parent, const QString &startDirectory)
{
    return QFileDialog::getExistingDirectory(parent, windowText("选择输出位置"), startDirectory,
                                             QFileDialog::ShowDirsOnly);
}

void openMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    switch (icon) {
    case QMessageBox::Critical:
        QMessageBox::critical(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
        break;
    case QMessageBox::Information:
        QMessageBox::information(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
        break;
    default:
        QMessageBox::warning(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
        break;
    }
}

} // namespace

WindowDialogs WindowDialogs::platformDialogs()
{
    WindowDialogs dialogs;
    dialogs.chooseResourceFiles = openResourceDialog;
    dialogs.chooseEditorFile = openEditorDialog;
    dialogs.chooseOutputFolder = openOutputFolderDialog;
    dialogs.showMessage = openMessageBox;
    return dialogs;
}

} // namespace kvx
