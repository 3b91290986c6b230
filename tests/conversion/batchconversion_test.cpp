// BatchConversion on its own: order, one outcome per item, failures that do not stop the rest,
// and a stop that ends it once.

#include "assets/qt/exportreading.h"
#include "conversion/qt/batchconversion.h"
#include "conversion/conversionsandbox.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <vector>

namespace kvx {
namespace {

using test::ConversionSandbox;

// Lets the zero-delay work the batch queues run (the next item starts from such a timer).
void runQueuedWork()
{
    for (int pass = 0; pass < 5; ++pass)
        QCoreApplication::processEvents();
}

// What the batch reported: items started, and each end with its stopped flag.
struct Reports {
    explicit Reports(BatchConversion &batch)
    {
        QObject::connect(&batch, &BatchConversion::itemStarted, &batch, [this] { ++started; });
        QObject::connect(&batch, &BatchConversion::finished, &batch, [this](bool stopped) { ends.push_back(stopped); });
    }
    int started = 0;
    std::vector<bool> ends;
};

BatchItem notReady(const std::filesystem::path &skeleton, const std::string &reason)
{
    ExportRecord record;
    record.skeleton = skeleton;
    return BatchItem{record, QString(), failure(FailureKind::ExportNotReady, reason), QString()};
}

TEST(BatchConversion, EveryItemGetsOneOutcomeInOrderAndTheBatchEndsOnce)
{
    ConversionSandbox box;
    const QList<BatchItem> items{
        notReady(box.root / "gone.json", "missing page images: a.png"),
        {readExport(box.q(box.skeleton())), QStringLiteral("4.2.43"), std::nullopt, QString()},
        notReady(box.root / "other.json", "no companion atlas found"),
    };
    BatchConversion batch(box.q(box.editor()), box.q(box.output()), false, items);
    Reports reports(batch);
    batch.start();
    batch.start(); // a second start changes nothing
    ASSERT_TRUE(test::waitFor([&] { return !reports.ends.empty(); }));
    runQueuedWork(); // nothing more may follow
    ASSERT_EQ(reports.ends, std::vector<bool>{false});
    EXPECT_EQ(reports.started, 3);
    ASSERT_EQ(batch.outcomes().size(), 3);
    ASSERT_FALSE(batch.outcomes()[0].result);
    EXPECT_EQ(batch.outcomes()[0].result.failure().detail, "missing page images: a.png");
    ASSERT_TRUE(batch.outcomes()[1].result) << englishText(batch.outcomes()[1].result.failure());
    EXPECT_EQ(*batch.outcomes()[1].result, box.q(box.output() / "hero"));
    ASSERT_FALSE(batch.outcomes()[2].result);
    EXPECT_EQ(batch.outcomes()[2].result.failure().detail, "no companion atlas found");
    EXPECT_FALSE(batch.isRunning());
}

TEST(BatchConversion, StoppingBetweenItemsEndsItAtOnce)
{
    ConversionSandbox box;
    const QList<BatchItem> items{notReady(box.root / "a.json", "first"), notReady(box.root / "b.json", "second")};
    BatchConversion batch(box.q(box.editor()), box.q(box.output()), false, items);
    Reports reports(batch);
    QObject::connect(&batch, &BatchConversion::itemFinished, &batch, [&batch] { batch.stop(); });
    batch.start();
    ASSERT_EQ(reports.ends, std::vector<bool>{true});
    runQueuedWork(); // the second item never starts
    EXPECT_EQ(batch.completed(), 1);
    EXPECT_EQ(reports.started, 1);
    batch.stop(); // no second report
    EXPECT_EQ(reports.ends.size(), 1u);
}

} // namespace
} // namespace kvx
