#include "app/windowdialogs.h"

#include "app/exportdialog.h"
#include "app/fittedmessagebox.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QTimer>
#include <QUrl>

namespace kvx {

namespace {

constexpr int kOpenDialogCheckMilliseconds = 250;

QStringList openResourceDialog(QWidget *parent)
{
    return QFileDialog::getOpenFileNames(
        parent, WindowDialogs::tr("选择导出资源"), QString(),
        WindowDialogs::tr("Spine 资源 (*.json *.skel *.skel.bytes *.atlas *.atlas.txt *.png *.jpg *.jpeg *.webp);;所有文件 (*)"));
}

QString openResourceFolderDialog(QWidget *parent)
{
    return QFileDialog::getExistingDirectory(parent, WindowDialogs::tr("选择资源文件夹"), QString(), QFileDialog::ShowDirsOnly);
}

QString openEditorDialog(QWidget *parent)
{
    return QFileDialog::getOpenFileName(parent, WindowDialogs::tr("指定 Spine 程序"), QString(), WindowDialogs::tr("所有文件 (*)"));
}

QString openOutputFolderDialog(QWidget *parent, const QString &startDirectory)
{
    return QFileDialog::getExistingDirectory(parent, WindowDialogs::tr("选择输出位置"), startDirectory,
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

void openFittedMessageBox(QWidget *parent, const WindowMessage &message)
{
    FittedMessageBox box(message, parent);
    box.exec();
}

void showFolder(const QString &folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace

void WindowDialogs::show(QWidget *parent, const WindowMessage &message) const
{
    if (showWindowMessage) {
        showWindowMessage(parent, message);
        return;
    }
    showMessage(parent, message.icon, message.title,
                message.list.isEmpty() ? message.text : message.text + QStringLiteral("\n\n") + message.list);
}

WindowDialogs WindowDialogs::platformDialogs()
{
    WindowDialogs dialogs;
    dialogs.chooseResourceFiles = openResourceDialog;
    dialogs.chooseResourceFolder = openResourceFolderDialog;
    dialogs.chooseEditorFile = openEditorDialog;
    dialogs.chooseOutputFolder = openOutputFolderDialog;
    dialogs.showMessage = openMessageBox;
    dialogs.showWindowMessage = openFittedMessageBox;
    dialogs.openFolder = showFolder;
    dialogs.chooseAnimationExport = ExportDialog::ask;
    return dialogs;
}

void showWhenNoDialogIsOpen(QObject *context, std::function<bool()> wanted, std::function<void()> show)
{
    if (!wanted())
        return;
    if (!QApplication::activeModalWidget()) {
        show();
        return;
    }
    QTimer::singleShot(kOpenDialogCheckMilliseconds, context,
                       [context, wanted = std::move(wanted), show = std::move(show)]() mutable {
                           showWhenNoDialogIsOpen(context, std::move(wanted), std::move(show));
                       });
}

} // namespace kvx
