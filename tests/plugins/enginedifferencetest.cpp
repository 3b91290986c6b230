// The same bundled runtime script under node and inside the plugin (QJSEngine) must draw the same
// triangles: this guards against the two engines running any construct of a runtime differently.

#include "plugins/featurefixtures.h"
#include "plugins/pluginharness.h"

#include "common/qt/pathtext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include <cmath>

namespace kvx::test {
namespace {

const std::vector<float> &deltas()
{
    static const std::vector<float> values{0.0f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.05f};
    return values;
}

struct NodeRun {
    bool ok = false;
    std::string error;
    std::vector<QJsonObject> frames;
};

// One skin by its name, several as the JSON array nodeframes.mjs combines.
QString skinArgument(const std::vector<std::string> &skins)
{
    if (skins.size() < 2)
        return skins.empty() ? QString() : QString::fromStdString(skins.front());
    QJsonArray names;
    for (const std::string &skin : skins)
        names.append(QString::fromStdString(skin));
    return QString::fromUtf8(QJsonDocument(names).toJson(QJsonDocument::Compact));
}

NodeRun runUnderNode(const std::string &line, const ExportPaths &paths, const FixtureExport &fixture,
                     const std::vector<std::string> &skins)
{
    QStringList arguments{QStringLiteral(KVX_SOURCE_DIR "/tests/plugins/nodeframes.mjs"),
                          QStringLiteral(KVX_RUNTIME_SCRIPT_DIR "/runtimescript-%1.js").arg(QString::fromStdString(line)),
                          toQString(paths.skeleton), toQString(paths.atlas), QString::fromStdString(fixture.animation),
                          skinArgument(skins)};
    for (const float delta : deltas())
        arguments << QString::number(double(delta), 'g', 9);
    QProcess node;
    node.start(QStringLiteral(KVX_NODE_PATH), arguments);
    NodeRun run;
    if (!node.waitForFinished(60000) || node.exitStatus() != QProcess::NormalExit || node.exitCode() != 0) {
        run.error = "node failed: " + node.readAllStandardError().toStdString();
        return run;
    }
    for (const QByteArray &lineText : node.readAllStandardOutput().split('\n')) {
        if (!lineText.trimmed().isEmpty())
            run.frames.push_back(QJsonDocument::fromJson(lineText).object());
    }
    run.ok = run.frames.size() == deltas().size();
    if (!run.ok)
        run.error = "node printed " + std::to_string(run.frames.size()) + " frames";
    return run;
}

bool near(double a, double b)
{
    return std::fabs(a - b) <= 1e-3 * std::max(1.0, std::fabs(a));
}

// Commands, triangles (index lists), colours and dark colours must agree exactly; positions and UVs
// to 1e-3.
::testing::AssertionResult sameDrawing(const QJsonObject &node, const PreviewFrame &plugin)
{
    if (!plugin.ok)
        return ::testing::AssertionFailure() << "the plugin sampled no frame";
    const QJsonArray commands = node["commands"].toArray();
    const QJsonArray vertices = node["vertices"].toArray();
    const QJsonArray indices = node["indices"].toArray();
    if (size_t(commands.size()) != plugin.items.size())
        return ::testing::AssertionFailure() << "node drew " << commands.size() << " commands, QJSEngine "
                                             << plugin.items.size();
    for (qsizetype c = 0; c < commands.size(); ++c) {
        const QJsonArray command = commands[c].toArray();
        const DrawItem &item = plugin.items[size_t(c)];
        const int firstVertex = command[0].toInt(), firstIndex = command[2].toInt();
        if (size_t(command[1].toInt()) != item.vertices.size() || size_t(command[3].toInt()) != item.indices.size())
            return ::testing::AssertionFailure()
                   << "command " << c << ": node has " << command[1].toInt() << " vertices and " << command[3].toInt()
                   << " indices, QJSEngine " << item.vertices.size() << " and " << item.indices.size();
        if (command[5].toInt() != item.blendMode)
            return ::testing::AssertionFailure() << "command " << c << " blends differently";
        if (uint32_t(command[6].toDouble()) != item.darkColor)
            return ::testing::AssertionFailure() << "command " << c << " has another dark colour";
        for (size_t i = 0; i < item.indices.size(); ++i)
            if (indices[firstIndex + qsizetype(i)].toInt() != item.indices[i])
                return ::testing::AssertionFailure() << "command " << c << " triangulates differently at index " << i;
        for (size_t v = 0; v < item.vertices.size(); ++v) {
            const QJsonArray expected = vertices[firstVertex + qsizetype(v)].toArray();
            const kvxRuntimeVertex &actual = item.vertices[v];
            if (!near(expected[0].toDouble(), actual.x) || !near(expected[1].toDouble(), actual.y)
                || !near(expected[2].toDouble(), actual.u) || !near(expected[3].toDouble(), actual.v)
                || uint32_t(expected[4].toDouble()) != actual.color)
                return ::testing::AssertionFailure()
                       << "command " << c << " vertex " << v << ": node (" << expected[0].toDouble() << ", "
                       << expected[1].toDouble() << "), QJSEngine (" << actual.x << ", " << actual.y << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

class EngineDifferenceTest : public ::testing::TestWithParam<std::string> {
protected:
    const std::string &line() const { return GetParam(); }

    // Returns how many sampled commands carried a dark colour.
    // skins: none, one chosen, or several combined in order.
    size_t compare(const FixtureExport &fixture, const std::vector<std::string> &skins = {})
    {
        size_t darkCommands = 0;
        TempFolder folder;
        const ExportPaths paths = writeExport(folder, fixture.skeleton, fixture.atlas);
        const NodeRun node = runUnderNode(line(), paths, fixture, skins);
        EXPECT_TRUE(node.ok) << node.error;
        PluginHarness harness(line());
        const bool loaded = harness.load(paths).ok;
        EXPECT_TRUE(loaded) << harness.error;
        if (!node.ok || !loaded)
            return darkCommands;
        if (skins.size() == 1)
            EXPECT_TRUE(harness.host.setSkin(skins.front(), harness.error)) << harness.error;
        else if (!skins.empty())
            EXPECT_TRUE(harness.host.setSkins(skins, harness.error)) << harness.error;
        if (!fixture.animation.empty())
            EXPECT_TRUE(harness.select(fixture.animation)) << harness.error;
        for (size_t i = 0; i < deltas().size(); ++i) {
            const PreviewFrame frame = harness.sample(deltas()[i]);
            EXPECT_TRUE(sameDrawing(node.frames[i], frame)) << "frame " << i;
            for (const DrawItem &item : frame.items)
                darkCommands += item.darkColor != 0;
        }
        return darkCommands;
    }
};

TEST_P(EngineDifferenceTest, RigWithMeshesConstraintsClippingAndPhysicsDrawsAlike)
{
    EXPECT_GT(compare(fullRigExport(line())), 0u) << "the rig's dark colours reach the host";
}

TEST_P(EngineDifferenceTest, ConcaveClippingIsTriangulatedAlike)
{
    compare(concaveClipExport(line()));
}

TEST_P(EngineDifferenceTest, ChainPathConstraintAndSkinsDrawAlike)
{
    compare(chainPathExport(line()));
    compare(skinsExport(line()), {"large"});
}

TEST_P(EngineDifferenceTest, CombinedPartSkinsDrawAlike)
{
    compare(partSkinsExport(line()), {"plain", "hat", "big"});
}

TEST_P(EngineDifferenceTest, PathChainsInEverySpacingAndRotateModeAndTheirFollowerDrawAlike)
{
    const PathChainModes cases[] = {
        {"fixed", 18, "tangent", 0}, {"length", 2, "chain", 10}, {"percent", 0.2, "chainScale", 5}};
    for (const PathChainModes &modes : cases) {
        SCOPED_TRACE(modes.spacingMode + " spacing, " + modes.rotateMode);
        compare(pathChainExport(line(), modes));
    }
}

INSTANTIATE_TEST_SUITE_P(EveryLine, EngineDifferenceTest, ::testing::ValuesIn(runtimeLines()),
                         [](const auto &info) { return "Spine" + info.param.substr(0, 1) + info.param.substr(2); });

} // namespace
} // namespace kvx::test
