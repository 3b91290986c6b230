#pragma once
// A window under test through what it shows: a private HOME and settings store, dialogs that record
// what the window says and answer what it asks, the widgets a user sees found by name or role.
// Needs kvx_test_support_qt (and kvx_use_test_plugins for tests that install a test plugin).

#include "app/mainwindow.h"
#include "support/privatehome.h"
#include "support/testfiles.h"

#include <QPushButton>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kvx::test {

// The private home (installEditor, cacheEditorVersion) is the window's user: set before the window
// is made, restored after it and its threads are gone.
class WindowHarness : public PrivateHome {
public:
    WindowHarness();
    ~WindowHarness();
    WindowHarness(const WindowHarness &) = delete;
    WindowHarness &operator=(const WindowHarness &) = delete;

    MainWindow &window() const { return *shown; }
    template <typename Widget>
    Widget *find(const char *objectName) const
    {
        return shown->findChild<Widget *>(QString::fromLatin1(objectName));
    }
    // The button with the dynamic property "role".
    QPushButton *button(const char *role) const;
    // The badge's text without its dot.
    QString badge() const;

    // Hands the paths over as a drop does and waits until they are listed, their readiness is shown
    // and the preview has answered; false when that did not happen in time.
    bool takeIn(const std::vector<std::filesystem::path> &paths);
    // The window's messages so far with this title (plain boxes recorded with their icon, title and text).
    std::vector<WindowMessage> messagesTitled(const QString &title) const;

    // A 4.x export in files: folder/name.json, its atlas naming the pages (with "pma: true" when
    // premultiplied) and, unless left out, a 4 × 4 page image for each.
    std::filesystem::path writeExport(const std::filesystem::path &folder, const std::string &name,
                                      const std::string &version, const std::vector<std::string> &pages = {"page.png"},
                                      bool writePages = true, bool premultiplied = false) const;

    TempFolder files;
    std::vector<WindowMessage> messages;
    QStringList resourceAnswer; // what the file dialog answers
    QString folderAnswer;       // what the resource and output folder dialogs answer
    int outputFolderRequests = 0;
    std::optional<AnimationExportChoice> exportAnswer; // what "导出动画…" answers (none: cancelled)
    std::vector<AnimationExportOffer> exportOffers;    // what it was offered
    int resourceRequests = 0;
    QStringList openedFolders;

private:
    std::unique_ptr<MainWindow> shown;
};

} // namespace kvx::test
