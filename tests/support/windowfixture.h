#pragma once
// A window under test: private HOME and settings, dialogs answered by the test, and helpers that
// write Spine exports and stand-in editors into temp folders.

#include "app/mainwindow.h"
#include "support/shownmessage.h"
#include "support/testfiles.h"
#include "support/windowview.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QMimeData>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kvx::test {

// Skeleton data heads as an export writes them.
std::string skeletonJson(const std::string &version);
std::string skeletonBinary(const std::string &version);

// An atlas naming the given pages, one region each.
std::string atlasText(const std::vector<std::string> &pageNames);

// A named pipe where the platform has them; false elsewhere.
bool makeFifo(const std::filesystem::path &path);

// Runs a program (the built kovexa, say) offscreen with HOME in the given folder; its exit code, or -1
// when it crashed or did not end within two minutes.
int runProgram(const QString &program, const QStringList &arguments, const TempFolder &home);

// Runs the event loop until the condition holds or the time is up; returns the condition.
bool waitUntil(const std::function<bool()> &condition, int timeoutMilliseconds = 10000);
// Runs the event loop for the given time.
void spinEventLoop(int milliseconds);
// Lets queued zero-delay work run.
void settle();

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    WindowView view() const { return WindowView(*window); }
    QString qpath(const std::filesystem::path &path) const;

    // A complete export in the folder: name.json (or the given file name) with its atlas and pages.
    std::filesystem::path writeExport(const std::filesystem::path &folder, const std::string &skeletonFileName,
                                      const std::string &version, const std::vector<std::string> &pages = {"hero.png"},
                                      bool writePages = true) const;

    // $HOME/Spine/Spine.sh: a shell wrapper around the stand-in that prints the given output. It is
    // named in the settings too, so an editor installed on the machine never takes its place.
    std::filesystem::path installEditor(const std::string &output, int delayMilliseconds = 0) const;
    // A wrapper at another place (not found by discovery).
    std::filesystem::path writeEditorScript(const std::filesystem::path &path, const std::string &output,
                                            int delayMilliseconds = 0) const;
    void cacheEditorVersion(const std::string &version) const;
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

    TempFolder home;
    TempFolder files;
    std::unique_ptr<ScopedEnvironment> homeVariable;
    std::unique_ptr<ScopedEnvironment> configVariable;
    std::unique_ptr<MainWindow> window;
    std::vector<ShownMessage> messages;
    QStringList resourceAnswer;
    QString editorAnswer;
};

} // namespace kvx::test
