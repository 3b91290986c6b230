#include "support/windowharness.h"

#include "app/spinepreviewwidget.h"
#include "common/qt/pathtext.h"
#include "support/shownmessage.h"
#include "support/waits.h"

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QSettings>

namespace kvx::test {

WindowHarness::WindowHarness()
{
    shown = std::make_unique<MainWindow>();
    WindowDialogs dialogs;
    dialogs.chooseResourceFiles = [this](QWidget *) {
        ++resourceRequests;
        return resourceAnswer;
    };
    dialogs.chooseResourceFolder = [this](QWidget *) { return folderAnswer; };
    dialogs.chooseOutputFolder = [this](QWidget *, const QString &) {
        ++outputFolderRequests;
        return folderAnswer;
    };
    dialogs.chooseAnimationExport = [this](QWidget *, const AnimationExportOffer &offer) {
        exportOffers.push_back(offer);
        return exportAnswer;
    };
    dialogs.showWindowMessage = [this](QWidget *, const WindowMessage &message) { messages.push_back(message); };
    dialogs.showMessage = [this](QWidget *, QMessageBox::Icon icon, const QString &title, const QString &text) {
        messages.push_back(WindowMessage{icon, title, text, {}, {}, {}, {}});
    };
    dialogs.openFolder = [this](const QString &folder) { openedFolders.append(folder); };
    shown->setDialogs(std::move(dialogs));
}

WindowHarness::~WindowHarness()
{
    shown.reset(); // its threads end before HOME and the settings go back
}

QPushButton *WindowHarness::button(const char *role) const
{
    for (QPushButton *candidate : shown->findChildren<QPushButton *>()) {
        if (candidate->property("role").toString() == QLatin1String(role))
            return candidate;
    }
    return nullptr;
}

QString WindowHarness::badge() const
{
    const QString text = find<QLabel>("badge")->text();
    return text.startsWith(QStringLiteral("●  ")) ? text.mid(3) : text;
}

bool WindowHarness::takeIn(const std::vector<std::filesystem::path> &paths)
{
    QStringList list;
    for (const std::filesystem::path &path : paths)
        list.append(toQString(path));
    bool settled = false;
    shown->takeInResources(list);
    shown->whenIntakeSettles([&settled] { settled = true; });
    return waitFor([&settled] { return settled; }, 30000);
}

std::vector<WindowMessage> WindowHarness::messagesTitled(const QString &title) const
{
    return withTitle(messages, title);
}

std::filesystem::path WindowHarness::writeExport(const std::filesystem::path &folder, const std::string &name,
                                                 const std::string &version, const std::vector<std::string> &pages,
                                                 bool writePages, bool premultiplied) const
{
    const std::filesystem::path skeleton =
        files.write(folder / (name + ".json"), R"({"skeleton":{"hash":"h","spine":")" + version
                                                   + R"("},"bones":[{"name":"root"}],"animations":{}})");
    std::string atlas;
    for (const std::string &page : pages) {
        atlas += "\n" + page + "\nsize: 4, 4\nfilter: Linear, Linear\n" + (premultiplied ? "pma: true\n" : "")
            + "region\n  bounds: 0, 0, 4, 4\n";
        if (writePages) {
            QImage image(4, 4, QImage::Format_ARGB32);
            image.fill(QColor(200, 120, 40, 128));
            image.save(toQString(files / folder / page), "PNG");
        }
    }
    files.write(folder / (name + ".atlas"), atlas);
    return skeleton;
}

} // namespace kvx::test
