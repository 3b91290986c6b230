#pragma once
// A window under test as a gtest fixture: a private home, dialogs answered by the test (plain
// boxes recorded as ShownMessage, boxes with lists handed over as their text followed by the
// list), and exports and stand-in editors written into temp folders. WindowHarness is the same
// window for tests that need no fixture.

#include "app/mainwindow.h"
#include "support/exportbuilder.h"
#include "support/privatehome.h"
#include "support/shownmessage.h"
#include "support/testfiles.h"
#include "support/waits.h"
#include "support/windowview.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace kvx::test {

// A named pipe where the platform has them; false elsewhere.
bool makeFifo(const std::filesystem::path &path);

class WindowFixture : public ::testing::Test, protected PrivateHome {
protected:
    void SetUp() override;
    void TearDown() override;

    WindowView view() const { return WindowView(*window); }
    QString qpath(const std::filesystem::path &path) const;

    // A complete export in the folder: name.json (or the given file name) with its atlas and pages.
    std::filesystem::path writeExport(const std::filesystem::path &folder, const std::string &skeletonFileName,
                                      const std::string &version, const std::vector<std::string> &pages = {"hero.png"},
                                      bool writePages = true) const;

    bool machineHasEditor() const;

    void drop(const QList<QUrl> &urls);
    bool sendDrop(const QMimeData &mime); // returns whether the drop was accepted
    void dropPaths(const std::vector<std::filesystem::path> &paths);
    // Intake of one path the synchronous way, then the queued work and the preview's answers.
    void add(const std::filesystem::path &path);
    // Waits for the background intake batches to be listed, their readiness run done and the
    // preview's answers shown, then runs the queued work; false when they did not settle in time.
    bool settleIntake(int timeoutMilliseconds = 30000);

    std::vector<ShownMessage> messagesTitled(const QString &title) const;

    // What the badge and the primary button show now.
    QString badge();
    QString badgeColour();
    QString buttonText();
    bool buttonEnabled();
    // Waits while the badge reports a running probe.
    bool waitForProbeAnswer(int timeoutMilliseconds = 15000);

    TempFolder files;
    std::unique_ptr<MainWindow> window;
    std::vector<ShownMessage> messages;
    QStringList resourceAnswer;
    QString editorAnswer;
};

} // namespace kvx::test
