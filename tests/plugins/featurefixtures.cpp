#include "plugins/featurefixtures.h"

#include <array>
#include <sstream>
#include <vector>

namespace kvx::test {

namespace {

bool isLine38(const std::string &line) { return line == "3.8"; }
bool hasPhysics(const std::string &line) { return line != "3.8" && line != "4.0" && line != "4.1"; }

std::string versionText(const std::string &line)
{
    return isLine38(line) ? "3.8.99" : line + ".20";
}

enum class Kind { Ik, Transform, Path, Physics };

struct Constraint {
    Kind kind;
    std::string members; // what every line writes alike: name, bones, modes, offsets
    std::string target;  // the bone (IK, transform, physics) or slot (path) it follows
};

// The constraint members of the document in the line's dialect: separate arrays up to 4.2, one
// "constraints" list with types in 4.3, where transform constraints name what they copy. Up to 4.2
// a constraint's place in the update order is its "order" (the runtimes apply none whose order no
// index reaches), given here by its place in the list unless its members say.
std::string constraintMembers(const std::string &line, const std::vector<Constraint> &constraints)
{
    std::ostringstream json;
    if (line == "4.3") {
        json << R"(, "constraints": [)";
        for (size_t i = 0; i < constraints.size(); ++i) {
            const Constraint &c = constraints[i];
            json << (i ? ", " : "") << "{" << c.members;
            switch (c.kind) {
            case Kind::Ik: json << R"(, "type": "ik", "target": ")" << c.target << R"(")"; break;
            case Kind::Transform:
                json << R"(, "type": "transform", "source": ")" << c.target
                     << R"(", "properties": {"rotate": {"to": {"rotate": {}}}, "x": {"to": {"x": {}}},)"
                     << R"( "y": {"to": {"y": {}}}})";
                break;
            case Kind::Path: json << R"(, "type": "path", "slot": ")" << c.target << R"(")"; break;
            case Kind::Physics: json << R"(, "type": "physics", "bone": ")" << c.target << R"(")"; break;
            }
            json << "}";
        }
        json << "]";
        return json.str();
    }
    const std::pair<Kind, const char *> groups[] = {
        {Kind::Ik, "ik"}, {Kind::Transform, "transform"}, {Kind::Path, "path"}, {Kind::Physics, "physics"}};
    for (const auto &[kind, name] : groups) {
        std::string entries;
        for (size_t i = 0; i < constraints.size(); ++i) {
            const Constraint &c = constraints[i];
            if (c.kind != kind)
                continue;
            const char *targetKey = kind == Kind::Physics ? "bone" : "target";
            const std::string order =
                c.members.find(R"("order")") == std::string::npos ? R"(, "order": )" + std::to_string(i) : std::string();
            entries += (entries.empty() ? "{" : ", {") + c.members + order + R"(, ")" + targetKey + R"(": ")" + c.target
                       + R"("})";
        }
        if (!entries.empty())
            json << R"(, ")" << name << R"(": [)" << entries << "]";
    }
    return json.str();
}

struct Document {
    std::string bones;
    std::string slotList;
    std::string defaultSkin;      // attachments of the default skin
    std::string extraSkins;       // further skin objects, each with a leading comma
    std::vector<Constraint> constraints;
    std::string animations;       // inside of the animations object
};

std::string documentJson(const std::string &line, const Document &document)
{
    std::ostringstream json;
    json << R"({"skeleton": {"hash": "fixture", "spine": ")" << versionText(line) << R"("},)"
         << R"("bones": [)" << document.bones << "],"
         << R"("slots": [)" << document.slotList << "],"
         << R"("skins": [{"name": "default", "attachments": {)" << document.defaultSkin << "}}"
         << document.extraSkins << "]" << constraintMembers(line, document.constraints);
    if (!document.animations.empty())
        json << R"(, "animations": {)" << document.animations << "}";
    json << "}";
    return json.str();
}

// Linear keys of a two-value timeline (translate): time, x, y.
std::string pairTimeline(const std::vector<std::array<float, 3>> &keys)
{
    std::ostringstream json;
    json << "[";
    for (size_t i = 0; i < keys.size(); ++i)
        json << (i ? ", " : "") << R"({"time": )" << keys[i][0] << R"(, "x": )" << keys[i][1] << R"(, "y": )"
             << keys[i][2] << "}";
    json << "]";
    return json.str();
}

std::string atlasFor(const std::string &line)
{
    return atlasText(line, {{"seg", 0, 0, 20, 10}, {"fill", 0, 0, 60, 60}, {"dot", 0, 0, 4, 4}, {"large", 0, 0, 40, 40}});
}

// A straight path from (0, 0) to (100, 100) with its handles on the line.
const char *const straightPath =
    R"({"type": "path", "lengths": [141.421356], "vertexCount": 6, "vertices": [-10, -10, 0, 0, 33.333333,)"
    R"( 33.333333, 66.666667, 66.666667, 100, 100, 110, 110]})";

// An L of two straight curves, (0, 0) to (30, 0) to (30, 30), with its handles at the thirds.
const char *const cornerPath =
    R"({"type": "path", "lengths": [30, 60], "vertexCount": 9, "vertices": [-10, 0, 0, 0, 10, 0, 20, 0, 30, 0,)"
    R"( 30, 10, 30, 20, 30, 30, 30, 40]})";

// The comb: counter-clockwise with y up, teeth at x -30, -10, 10 and 30, notches down to y 0.
const char *const combClip =
    R"({"type": "clipping", "end": "fill", "vertexCount": 9, "vertices": [-30, -30, 30, -30, 30, 30, 20, 0, 10, 30,)"
    R"( 0, 0, -10, 30, -20, 0, -30, 30]})";

} // namespace

FixtureExport chainPathExport(const std::string &line)
{
    Document document;
    document.bones = R"({"name": "root"}, {"name": "b1", "parent": "root", "length": 20},)"
                     R"( {"name": "b2", "parent": "b1", "x": 20, "length": 20})";
    document.slotList = R"({"name": "path", "bone": "root", "attachment": "path"},)"
                     R"( {"name": "b1", "bone": "b1", "attachment": "seg"}, {"name": "b2", "bone": "b2", "attachment": "seg"})";
    document.defaultSkin = std::string(R"("path": {"path": )") + straightPath + "},"
                           + R"( "b1": {"seg": {"x": 10, "width": 20, "height": 10}},)"
                             R"( "b2": {"seg": {"x": 10, "width": 20, "height": 10}})";
    document.constraints = {{Kind::Path, R"("name": "chain", "bones": ["b1", "b2"], "rotateMode": "chain")", "path"}};
    return {documentJson(line, document), atlasFor(line), {}};
}

FixtureExport pathChainExport(const std::string &line, const PathChainModes &modes)
{
    Document document;
    document.bones = R"({"name": "root"}, {"name": "pathBone", "parent": "root", "x": -30, "y": -20, "scaleX": 2,)"
                     R"( "scaleY": 2}, {"name": "hip", "parent": "root", "x": 50, "y": 50, "scaleX": 1.25,)"
                     R"( "scaleY": 1.25}, {"name": "b1", "parent": "hip", "length": 20},)"
                     R"( {"name": "b2", "parent": "b1", "x": 20, "length": 20},)"
                     R"( {"name": "b3", "parent": "b2", "x": 20, "length": 20},)"
                     R"( {"name": "end", "parent": "b3", "x": 20}, {"name": "foot", "parent": "root"})";
    document.slotList = R"({"name": "path", "bone": "pathBone", "attachment": "path"})";
    document.defaultSkin = std::string(R"("path": {"path": )") + cornerPath + "}";
    for (const char *bone : {"b1", "b2", "b3", "foot"}) {
        const std::string name = bone;
        document.slotList += R"(, {"name": ")" + name + R"(", "bone": ")" + name + R"(", "attachment": "seg"})";
        document.defaultSkin += R"(, ")" + name + R"(": {"seg": {"x": 10, "width": 20, "height": 10}})";
    }
    std::ostringstream chain;
    chain << R"("name": "chain", "order": 0, "bones": ["b1", "b2", "b3"], "positionMode": "fixed", "spacingMode": ")"
          << modes.spacingMode << R"(", "spacing": )" << modes.spacing << R"(, "rotateMode": ")" << modes.rotateMode
          << R"(", "position": )" << modes.position;
    document.constraints = {{Kind::Path, chain.str(), "path"},
                            {Kind::Transform, R"("name": "follow", "order": 1, "bones": ["foot"])", "end"}};
    document.animations = R"("sneak": {"bones": {"pathBone": {"rotate": )" + rotateTimeline(line, {{0, 0}, {1, 30}})
                          + R"(}, "hip": {"scale": )" + pairTimeline({{0, 1, 1}, {1, 1.2f, 0.9f}}) + "}}}";
    return {documentJson(line, document), atlasFor(line), "sneak"};
}

FixtureExport concaveClipExport(const std::string &line)
{
    Document document;
    document.bones = R"({"name": "root"})";
    document.slotList = R"({"name": "clip", "bone": "root", "attachment": "clip"},)"
                     R"( {"name": "fill", "bone": "root", "attachment": "fill"})";
    document.defaultSkin = std::string(R"("clip": {"clip": )") + combClip + "},"
                           + R"( "fill": {"fill": {"width": 100, "height": 100}})";
    document.animations = R"("still": {"bones": {"root": {"rotate": )" + rotateTimeline(line, {{0, 0}, {1, 0}}) + "}}}";
    return {documentJson(line, document), atlasFor(line), "still"};
}

FixtureExport skinsExport(const std::string &line)
{
    Document document;
    document.bones = R"({"name": "root"})";
    document.slotList = R"({"name": "body", "bone": "root", "attachment": "body"})";
    document.defaultSkin = R"("body": {"body": {"path": "dot", "width": 4, "height": 4}})";
    document.extraSkins = R"(, {"name": "small", "attachments": {"body": {"body": {"path": "seg", "x": 50, "width": 20,)"
                          R"( "height": 10}}}}, {"name": "large", "attachments": {"body": {"body": {"path": "large",)"
                          R"( "x": -50, "width": 40, "height": 40}}}})";
    document.animations = R"("idle": {"bones": {"root": {"rotate": )" + rotateTimeline(line, {{0, 0}, {1, 0}}) + "}}}";
    return {documentJson(line, document), atlasFor(line), "idle"};
}

FixtureExport partSkinsExport(const std::string &line)
{
    Document document;
    document.bones = R"({"name": "root"})";
    document.slotList = R"({"name": "body", "bone": "root", "attachment": "body"},)"
                     R"( {"name": "hat", "bone": "root", "attachment": "hat"})";
    document.extraSkins =
        R"(, {"name": "plain", "attachments": {"body": {"body": {"path": "seg", "x": -30, "width": 20, "height": 10}}}})"
        R"(, {"name": "hat", "attachments": {"hat": {"hat": {"path": "dot", "y": 40, "width": 4, "height": 4}}}})"
        R"(, {"name": "big", "attachments": {"body": {"body": {"path": "large", "x": 50, "width": 40, "height": 40}}}})";
    document.animations = R"("idle": {"bones": {"root": {"rotate": )" + rotateTimeline(line, {{0, 0}, {1, 0}}) + "}}}";
    return {documentJson(line, document), atlasFor(line), "idle"};
}

FixtureExport growingExport(const std::string &line)
{
    Document document;
    document.bones = R"({"name": "root"}, {"name": "grow", "parent": "root"})";
    document.slotList = R"({"name": "grow", "bone": "grow", "attachment": "seg"})";
    document.defaultSkin = R"("grow": {"seg": {"width": 20, "height": 10}})";
    document.animations = R"("grow": {"bones": {"grow": {"translate": )" + pairTimeline({{0, 0, 0}, {1, 100, 0}}) + "}}}";
    return {documentJson(line, document), atlasFor(line), "grow"};
}

FixtureExport fullRigExport(const std::string &line)
{
    Document document;
    // Bone indices for the weighted mesh: upper 1, lower 2. Upper is scaled unevenly so that IK
    // takes its general two-bone solution rather than the uniform-scale one.
    document.bones = R"({"name": "root"}, {"name": "upper", "parent": "root", "x": -60, "length": 30, "scaleY": 0.8},)"
                     R"( {"name": "lower", "parent": "upper", "x": 30, "length": 30},)"
                     R"( {"name": "ikTarget", "parent": "root", "x": -20, "y": 20},)"
                     R"( {"name": "leader", "parent": "root", "x": 60, "y": 40},)"
                     R"( {"name": "follower", "parent": "root", "x": 60, "y": -40},)"
                     R"( {"name": "pathBone", "parent": "root", "x": -40, "y": -60},)"
                     R"( {"name": "p1", "parent": "root", "length": 20}, {"name": "p2", "parent": "p1", "x": 20, "length": 20},)"
                     R"( {"name": "tail", "parent": "root", "y": 60, "length": 20})";
    document.slotList = R"({"name": "mesh", "bone": "upper", "attachment": "mesh"},)"
                     R"( {"name": "plain", "bone": "leader", "attachment": "plain", "dark": "402010"},)"
                     R"( {"name": "follow", "bone": "follower", "attachment": "seg"},)"
                     R"( {"name": "path", "bone": "pathBone", "attachment": "path"},)"
                     R"( {"name": "p1", "bone": "p1", "attachment": "seg", "dark": "80ff40"},)"
                     R"( {"name": "p2", "bone": "p2", "attachment": "seg"},)"
                     R"( {"name": "tail", "bone": "tail", "attachment": "seg"},)"
                     R"( {"name": "clip", "bone": "root", "attachment": "clip"},)"
                     R"( {"name": "fill", "bone": "root", "attachment": "fill"})";
    document.defaultSkin =
        std::string(R"("mesh": {"mesh": {"type": "mesh", "path": "seg", "hull": 6,)"
                    R"( "uvs": [0, 1, 0.5, 1, 1, 1, 1, 0, 0.5, 0, 0, 0],)"
                    R"( "triangles": [0, 1, 5, 1, 4, 5, 1, 2, 4, 2, 3, 4],)"
                    R"( "vertices": [1, 1, 0, -5, 1, 2, 1, 30, -5, 0.5, 2, 0, -5, 0.5, 1, 2, 30, -5, 1,)"
                    R"( 1, 2, 30, 5, 1, 2, 1, 30, 5, 0.5, 2, 0, 5, 0.5, 1, 1, 0, 5, 1]}},)"
                    R"( "plain": {"plain": {"type": "mesh", "path": "seg", "hull": 4, "uvs": [0, 1, 1, 1, 1, 0, 0, 0],)"
                    R"( "triangles": [0, 1, 2, 2, 3, 0], "vertices": [-10, -10, 10, -10, 10, 10, -10, 10]}},)"
                    R"( "follow": {"seg": {"width": 20, "height": 10}},)"
                    R"( "path": {"path": )")
        + straightPath + "}," + R"( "p1": {"seg": {"x": 10, "width": 20, "height": 10}},)"
        + R"( "p2": {"seg": {"x": 10, "width": 20, "height": 10}}, "tail": {"seg": {"x": 10, "width": 20, "height": 10}},)"
        + R"( "clip": {"clip": )" + combClip + "}," + R"( "fill": {"fill": {"width": 60, "height": 60}})";
    document.constraints = {
        {Kind::Ik, R"("name": "leg", "bones": ["upper", "lower"])", "ikTarget"},
        {Kind::Transform, R"("name": "follow", "bones": ["follower"], "y": -80)", "leader"},
        {Kind::Path, R"("name": "chain", "bones": ["p1", "p2"], "rotateMode": "chain")", "path"},
    };
    if (hasPhysics(line))
        document.constraints.push_back(
            {Kind::Physics, R"("name": "sway", "x": 1, "y": 1, "rotate": 1, "inertia": 0.5, "strength": 100, "damping": 0.85)",
             "tail"});
    // The dark colour of "plain" changes with the light one: two-colour tint is keyed as one timeline.
    const std::string twoColour = std::string(isLine38(line) ? R"("twoColor")" : R"("rgba2")")
        + R"(: [{"time": 0, "light": "ffffffff", "dark": "402010"}, {"time": 1, "light": "ff8080c0", "dark": "c08040"}])";
    document.animations =
        R"("move": {"slots": {"plain": {)" + twoColour + R"(}}, "bones": {"root": {"translate": )" + pairTimeline({{0, 0, 0}, {0.5f, 40, 10}, {1, 0, 0}})
        + R"(}, "ikTarget": {"translate": )" + pairTimeline({{0, 0, 0}, {1, 30, -20}})
        + R"(}, "leader": {"rotate": )" + rotateTimeline(line, {{0, 0}, {1, 90}})
        + R"(}, "pathBone": {"translate": )" + pairTimeline({{0, 0, 0}, {1, 10, 25}}) + "}}}"
        + R"(, "kick": {"bones": {"root": {"translate": )" + pairTimeline({{0, 0, 0}, {0.2f, -80, 40}, {0.4f, 0, 0}})
        + R"(}, "tail": {"rotate": )" + rotateTimeline(line, {{0, 0}, {0.3f, 60}}) + "}}}";
    return {documentJson(line, document), atlasFor(line), "move"};
}

} // namespace kvx::test
