#include "support/windowfixture.h"

#include "common/qt/pathtext.h"
#include "support/shownmessage.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QPushButton>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace kvx::test {

bool makeFifo(const std::filesystem::path &path)
{
    std::filesystem::create_directories(path.parent_path());
#ifdef _WIN32
    return false;
#else
    return ::mkfifo(path.c_str(), 0600) == 0;
#endif
}

void WindowFixture::SetUp()
{
    window = std::make_unique<MainWindow>();
    WindowDialogs dialogs;
    dialogs.chooseResourceFiles = [this](QWidget *) { return resourceAnswer; };
    dialogs.chooseEditorFile = [this](QWidget *) { return editorAnswer; };
    dialogs.showMessage = [this](QWidget *, QMessageBox::Icon icon, const QString &title, const QString &text) {
        messages.push_back({icon, title, text});
    };
    window->setDialogs(std::move(dialogs));
}

void WindowFixture::TearDown()
{
    window.reset(); // its threads end before the private home goes
}

QString WindowFixture::qpath(const std::filesystem::path &path) const
{
    return toQString(path);
}

std::filesystem::path WindowFixture::writeExport(const std::filesystem::path &folder,
                                                 const std::string &skeletonFileName, const std::string &version,
                                                 const std::vector<std::string> &pages, bool writePages) const
{
    const std::filesystem::path skeleton = files.write(folder / skeletonFileName, skeletonJson(version));
    const std::string baseName = std::filesystem::path(skeletonFileName).stem().string();
    files.write(folder / (baseName + ".atlas"), atlasText(pages));
    if (writePages) {
        for (const std::string &page : pages)
            files.write(folder / page, "png bytes");
    }
    return skeleton;
}

bool WindowFixture::machineHasEditor() const
{
    return std::filesystem::exists("/opt/Spine/Spine.sh");
}

void WindowFixture::drop(const QList<QUrl> &urls)
{
    QMimeData mime;
    mime.setUrls(urls);
    sendDrop(mime);
    EXPECT_TRUE(settleIntake());
}

bool WindowFixture::sendDrop(const QMimeData &mime)
{
    // As a real drag: the window sees the drag enter first, then the drop.
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &enter);
    QDropEvent event(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &event);
    return event.isAccepted();
}

void WindowFixture::dropPaths(const std::vector<std::filesystem::path> &paths)
{
    QList<QUrl> urls;
    for (const std::filesystem::path &path : paths)
        urls.append(QUrl::fromLocalFile(qpath(path)));
    drop(urls);
}

void WindowFixture::add(const std::filesystem::path &path)
{
    window->addResourcePath(qpath(path));
    deliverQueuedWork();
    EXPECT_TRUE(view().waitForPreview());
}

bool WindowFixture::settleIntake(int timeoutMilliseconds)
{
    return view().waitUntilSettled(timeoutMilliseconds); // the queued work runs there
}

std::vector<ShownMessage> WindowFixture::messagesTitled(const QString &title) const
{
    return withTitle(messages, title);
}

QString WindowFixture::badge()
{
    return view().badgeText();
}

QString WindowFixture::badgeColour()
{
    return view().badgeColour();
}

QString WindowFixture::buttonText()
{
    return view().primaryButton()->text();
}

bool WindowFixture::buttonEnabled()
{
    return view().primaryButton()->isEnabled();
}

bool WindowFixture::waitForProbeAnswer(int timeoutMilliseconds)
{
    return waitFor([this] { return badge() != QStringLiteral("正在检查 Editor ..."); }, timeoutMilliseconds);
}

} // namespace kvx::test
