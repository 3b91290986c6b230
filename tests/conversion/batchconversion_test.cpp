// BatchConversion on its own: order, one outcome per item, failures that do not stop the rest,
// and a stop that ends it once.

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

TEST(BatchConversion, EveryItemGetsOneOutcomeInOrderAndTheBatchEndsOnce)
{
    ConversionSandbox box;
    const QList<BatchItem> items{
        {box.q(box.root / "gone.json"), QString(), QString(), QStringLiteral("missing page images: a.png")},
        {box.q(box.skeleton()), box.q(box.atlas()), QStringLiteral("4.2.43"), QString()},
        {box.q(box.root / "other.json"), QString(), QString(), QStringLiteral("no companion atlas found")},
    };
    BatchConversion batch(box.q(box.editor()), box.q(box.output()), false, items);
    Reports reports(batch);
    batch.start();
    batch.start(); // a second start changes nothing
    ASSERT_TRUE(test::waitUntil([&] { return !reports.ends.empty(); }));
    runQueuedWork(); // nothing more may follow
    ASSERT_EQ(reports.ends, std::vector<bool>{false});
    EXPECT_EQ(reports.started, 3);
    ASSERT_EQ(batch.outcomes().size(), 3);
    EXPECT_FALSE(batch.outcomes()[0].success);
    EXPECT_EQ(batch.outcomes()[0].error, QStringLiteral("missing page images: a.png"));
    EXPECT_TRUE(batch.outcomes()[1].success) << batch.outcomes()[1].error.toStdString();
    EXPECT_EQ(batch.outcomes()[1].outputDirectory, box.q(box.output() / "hero"));
    EXPECT_EQ(batch.outcomes()[2].error, QStringLiteral("no companion atlas found"));
    EXPECT_FALSE(batch.isRunning());
}

TEST(BatchConversion, StoppingBetweenItemsEndsItAtOnce)
{
    ConversionSandbox box;
    const QList<BatchItem> items{
        {box.q(box.root / "a.json"), QString(), QString(), QStringLiteral("first")},
        {box.q(box.root / "b.json"), QString(), QString(), QStringLiteral("second")},
    };
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
