#include "windowfixture.h"

#include "common/qt/pathtext.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace kvx::test {

namespace {

std::string lengthPrefixed(const std::string &text)
{
    // Length + 1 as a variable-length integer; test strings stay below 127 bytes.
    return std::string(1, static_cast<char>(text.size() + 1)) + text;
}

std::string shellQuoted(const std::string &text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

std::string skeletonJson(const std::string &version)
{
    return "{\n  \"skeleton\": { \"hash\": \"h\", \"spine\": \"" + version
        + "\", \"images\": \"./images/\" },\n  \"bones\": [ { \"name\": \"root\" } ],\n  \"animations\": {}\n}\n";
}

std::string skeletonBinary(const std::string &version)
{
    return lengthPrefixed("hash1234") + lengthPrefixed(version) + std::string("\x00\x01\x02", 3);
}

std::string atlasText(const std::vector<std::string> &pageNames)
{
    std::string text;
    for (const std::string &page : pageNames) {
        text += "\n" + page + "\nsize: 64, 64\nformat: RGBA8888\nfilter: Linear, Linear\nrepeat: none\n";
        text += "region\n  bounds: 0, 0, 8, 8\n";
    }
    return text;
}

bool makeFifo(const std::filesystem::path &path)
{
    std::filesystem::create_directories(path.parent_path());
#ifdef _WIN32
    return false;
#else
    return ::mkfifo(path.c_str(), 0600) == 0;
#endif
}

int runProgram(const QString &program, const QStringList &arguments, const TempFolder &home)
{
    QProcess running;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The test's own offscreen screen (a desktop-sized one under CTest), or the plugin's default.
    if (!environment.value(QStringLiteral("QT_QPA_PLATFORM")).startsWith(QLatin1String("offscreen")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("HOME"), toQString(home.path()));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), toQString(home / ".config"));
    running.setProcessEnvironment(environment);
    running.setProcessChannelMode(QProcess::MergedChannels);
    running.start(program, arguments);
    if (running.waitForStarted(30000) && running.waitForFinished(120000))
        return running.exitStatus() == QProcess::NormalExit ? running.exitCode() : -1;
    running.kill();
    running.waitForFinished();
    return -1;
}

void spinEventLoop(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMilliseconds)
{
    for (int waited = 0; waited < timeoutMilliseconds; waited += 10) {
        if (condition())
            return true;
        spinEventLoop(10);
    }
    return condition();
}

void settle()
{
    for (int round = 0; round < 10; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

void WindowFixture::SetUp()
{
    const std::string homeText = home.path().string();
    const std::string configText = (home / ".config").string();
    homeVariable = std::make_unique<ScopedEnvironment>("HOME", homeText);
    configVariable = std::make_unique<ScopedEnvironment>("XDG_CONFIG_HOME", configText);
    // QSettings keeps the folder it found first; point it at this test's folder explicitly.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(configText));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(configText));
    QSettings().remove(QStringLiteral("spineEditorPath"));

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
    window.reset();
    QSettings().remove(QStringLiteral("spineEditorPath"));
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

std::filesystem::path WindowFixture::writeEditorScript(const std::filesystem::path &path, const std::string &output,
                                                       int delayMilliseconds) const
{
    std::filesystem::create_directories(path.parent_path());
    std::string script = "#!/bin/sh\n# Stand-in editor for tests (not the Spine Editor).\n";
    script += "KVX_STANDIN_OUTPUT=" + shellQuoted(output) + "\nexport KVX_STANDIN_OUTPUT\n";
    script += "KVX_STANDIN_DELAY_MS=" + std::to_string(delayMilliseconds) + "\nexport KVX_STANDIN_DELAY_MS\n";
    script += "exec " + shellQuoted(standinEditorPath().string()) + " \"$@\"\n";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << script;
    }
    std::filesystem::permissions(path, std::filesystem::perms::owner_all | std::filesystem::perms::group_read
                                           | std::filesystem::perms::group_exec);
    return path;
}

std::filesystem::path WindowFixture::installEditor(const std::string &output, int delayMilliseconds) const
{
    const std::filesystem::path editor = writeEditorScript(home / "Spine" / "Spine.sh", output, delayMilliseconds);
    QSettings().setValue(QStringLiteral("spineEditorPath"), qpath(editor));
    return editor;
}

void WindowFixture::cacheEditorVersion(const std::string &version) const
{
    home.write(std::filesystem::path(".spine") / "updates" / version, "cached editor");
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
    settle();
    EXPECT_TRUE(view().waitForPreview());
}

bool WindowFixture::settleIntake(int timeoutMilliseconds)
{
    const bool settled = view().waitUntilSettled(timeoutMilliseconds);
    settle();
    return settled;
}

std::vector<ShownMessage> WindowFixture::messagesTitled(const QString &title) const
{
    std::vector<ShownMessage> found;
    for (const ShownMessage &message : messages) {
        if (message.title == title)
            found.push_back(message);
    }
    return found;
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
    return waitUntil([this] { return badge() != QStringLiteral("正在检查 Editor ..."); }, timeoutMilliseconds);
}

} // namespace kvx::test
