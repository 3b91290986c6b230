// The window-free half of intake: the verdict on each candidate and the background scan with its
// order, progress, cancellation and hostile file systems (the walk's rules are tested through the
// window in intake_test).

#include "assets/qt/intake.h"

#include "common/qt/pathtext.h"
#include "support/exportbuilder.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"

#include <QSemaphore>
#include <QThreadPool>
#include <fstream>
#include <gtest/gtest.h>

namespace kvx::test {
namespace {

QList<IntakeOutcome> scannedNow(const QStringList &paths)
{
    QThreadPool pool;
    QFuture<IntakeOutcome> future = scanResources(&pool, paths);
    future.waitForFinished();
    return future.results();
}

TEST(ResourceScan, VerdictsCarryFormatAndVersionAndSilenceForSiblings)
{
    TempFolder files;
    const QString json = toQString(files.write("a/hero.json", skeletonJson("4.2.43")));
    const QString binary = toQString(files.write("a/goblin.skel", skeletonBinary("4.1.24")));
    const QString old = toQString(files.write("a/old.json", skeletonJson("3.7.94")));
    const QString junk = toQString(files.write("a/package.json", "{}"));

    const IntakeOutcome listed = examineCandidate({json, true});
    EXPECT_EQ(listed.verdict, IntakeVerdict::Listed);
    EXPECT_EQ(listed.record.detection.format, SkeletonFormat::Json);
    ASSERT_TRUE(listed.record.detection.version);
    EXPECT_EQ(listed.record.detection.version->fullText(), "4.2.43");
    EXPECT_EQ(examineCandidate({binary, false}).record.detection.format, SkeletonFormat::Binary);
    EXPECT_EQ(examineCandidate({binary, false}).verdict, IntakeVerdict::Listed);

    EXPECT_EQ(examineCandidate({old, true}).verdict, IntakeVerdict::Unsupported);
    EXPECT_EQ(examineCandidate({old, false}).verdict, IntakeVerdict::Ignored);
    EXPECT_EQ(examineCandidate({junk, true}).verdict, IntakeVerdict::Unrecognized);
    EXPECT_EQ(examineCandidate({junk, false}).verdict, IntakeVerdict::Ignored);
}

TEST(ResourceScan, TheBackgroundScanGivesTheWalkOrderAndCountsItsProgress)
{
    TempFolder files;
    writeExportFolder(files / "big", 120, 7, "4.2.43", 1);
    files.write("big/character3/package.json", "{}");
    const QString loose = toQString(files.write("loose/goblin.skel", skeletonBinary("4.1.24")));
    const QStringList batch{toQString(files / "big"), loose, toQString(files / "big/character2/hero2.atlas")};

    QList<ScanCandidate> walk;
    for (const QString &path : batch)
        walk.append(candidatesFor(path));

    QThreadPool pool;
    QFuture<IntakeOutcome> future = scanResources(&pool, batch);
    future.waitForFinished();
    const QList<IntakeOutcome> outcomes = future.results();
    ASSERT_EQ(outcomes.size(), walk.size());
    for (qsizetype i = 0; i < walk.size(); ++i) {
        EXPECT_EQ(toQString(outcomes[i].record.skeleton), walk[i].path);
        EXPECT_EQ(outcomes[i].verdict, examineCandidate(walk[i]).verdict);
    }
    EXPECT_EQ(future.progressMaximum(), walk.size());
    EXPECT_EQ(future.progressValue(), walk.size());
}

TEST(ResourceScan, HostileFileSystemsNeitherHangNorBreakTheScan)
{
    TempFolder files;
    files.write("drop/hero.json", skeletonJson("4.2.43"));
    std::error_code error;
    std::filesystem::create_directory_symlink(files / "drop", files / "drop/loop", error);
    std::filesystem::create_directory_symlink(files / "drop/sub/b", files / "drop/sub/a", error);
    std::filesystem::create_directory_symlink(files / "drop/sub/a", files / "drop/sub/b", error);
    const bool haveFifo = makeFifo(files / "drop/pipe.json");
    const auto locked = files.write("drop/locked.skel", skeletonBinary("4.2.1"));
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    const bool lockedIsUnreadable = !std::ifstream(locked).is_open(); // not so for root

    int listed = 0;
    int unrecognized = 0;
    for (const IntakeOutcome &outcome : scannedNow({toQString(files / "drop")})) {
        listed += outcome.verdict == IntakeVerdict::Listed;
        unrecognized += outcome.verdict == IntakeVerdict::Unrecognized;
    }
    EXPECT_EQ(listed, lockedIsUnreadable ? 1 : 2); // symbolic links to folders are not followed
    EXPECT_EQ(unrecognized, lockedIsUnreadable ? 1 : 0); // a folder's walk passes FIFOs by

    // Named directly, a FIFO is examined, and refused without blocking.
    if (haveFifo) {
        const QList<IntakeOutcome> direct = scannedNow({toQString(files / "drop/pipe.json")});
        ASSERT_EQ(direct.size(), 1);
        EXPECT_EQ(direct.front().verdict, IntakeVerdict::Unrecognized);
    }
}

TEST(ResourceScan, AFileVanishingAfterTheWalkIsReportedLikeAMissingOne)
{
    TempFolder files;
    files.write("drop/hero.json", skeletonJson("4.2.43"));
    files.write("beside/hero.atlas", atlasText({"hero.png"}));
    files.write("beside/goblin.json", skeletonJson("4.2.43"));
    const QList<ScanCandidate> reported = candidatesFor(toQString(files / "drop"));
    const QList<ScanCandidate> silent = candidatesFor(toQString(files / "beside/hero.atlas"));
    std::filesystem::remove_all(files / "drop");
    std::filesystem::remove_all(files / "beside");
    ASSERT_EQ(reported.size(), 1);
    ASSERT_EQ(silent.size(), 1);
    EXPECT_EQ(examineCandidate(reported.front()).verdict, IntakeVerdict::Unrecognized);
    EXPECT_EQ(examineCandidate(silent.front()).verdict, IntakeVerdict::Ignored);
}

TEST(ResourceScan, ACancelledScanEndsWithoutExaminingTheRest)
{
    TempFolder files;
    writeExportFolder(files / "big", 400, 4, "4.2.43", 1);
    QThreadPool pool;
    pool.setMaxThreadCount(1);
    QSemaphore gate;
    pool.start([&gate] { gate.acquire(); }); // holds the only thread until the scan is cancelled
    QFuture<IntakeOutcome> future = scanResources(&pool, {toQString(files / "big")});
    future.cancel();
    gate.release();
    future.waitForFinished();
    EXPECT_TRUE(future.isCanceled());
    EXPECT_LT(future.resultCount(), 400);
    pool.waitForDone();
}

} // namespace
} // namespace kvx::test
