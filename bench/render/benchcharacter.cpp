#include "benchcharacter.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <cmath>
#include <random>
#include <sstream>

namespace kvx::bench {
namespace {

struct Bone {
    std::string name, parent;
    double x = 0, y = 0, length = 0, rotation = 0;
};

struct Region {
    std::string name;
    int width = 0, height = 0;
    int pageX = 0, pageY = 0;
};

struct Slot {
    std::string name, bone, attachment;
    std::string extra; // "dark", "blend"
};

class Character {
public:
    Character()
    {
        bone("root", "", 0, 0, 0, 0);
        bone("hip", "root", 0, 260, 30, 90);
        bone("spine1", "hip", 30, 0, 50, 0);
        bone("spine2", "spine1", 50, 0, 50, 0);
        bone("chest", "spine2", 50, 0, 60, 0);
        bone("neck", "chest", 60, 0, 30, 0);
        bone("head", "neck", 30, 0, 120, 0);
        chain("hair", "head", 6, 25, 150, 40, 160);
        for (const char *side : {"back", "front"}) {
            const std::string s = side;
            const double offset = s == "back" ? 20 : -20;
            bone("shoulder_" + s, "chest", 50, offset, 20, -170);
            bone("upperarm_" + s, "shoulder_" + s, 20, 0, 90, 20);
            bone("forearm_" + s, "upperarm_" + s, 90, 0, 80, 15);
            bone("hand_" + s, "forearm_" + s, 80, 0, 30, 0);
            bone("thigh_" + s, "hip", -10, offset * 0.8, 110, 180);
            bone("shin_" + s, "thigh_" + s, 110, 0, 110, 0);
            bone("foot_" + s, "shin_" + s, 110, 0, 40, 90);
        }
        bone("weapon", "hand_front", 20, 0, 200, 90);
        chain("cape", "chest", 8, 30, 40, 0, 180);
        for (const char *part : {"belt", "pouch1", "pouch2", "glow"})
            bone(part, "hip", 20, 0, 0, 0);
        for (const char *part : {"eye_l", "eye_r", "mouth", "brow"})
            bone(part, "head", 60, 20, 0, 0);
        regions();
    }

    std::string json() const
    {
        std::ostringstream out;
        out << R"({"skeleton": {"hash": "benchknight", "spine": "4.2.43", "x": -200, "y": 0, "width": 400, "height": 560},)";
        out << R"( "bones": [)";
        for (std::size_t i = 0; i < bones.size(); ++i) {
            const Bone &b = bones[i];
            out << (i ? ", " : "") << R"({"name": ")" << b.name << '"';
            if (!b.parent.empty())
                out << R"(, "parent": ")" << b.parent << R"(", "x": )" << b.x << R"(, "y": )" << b.y << R"(, "length": )"
                    << b.length << R"(, "rotation": )" << b.rotation;
            out << "}";
        }
        out << R"(], "slots": [)";
        for (std::size_t i = 0; i < slotList.size(); ++i) {
            const Slot &s = slotList[i];
            out << (i ? ", " : "") << R"({"name": ")" << s.name << R"(", "bone": ")" << s.bone << R"(", "attachment": ")"
                << s.attachment << '"' << s.extra << "}";
        }
        out << R"(], "physics": [)";
        for (int i = 1; i <= 6; ++i)
            out << (i > 1 ? ", " : "") << R"({"name": "hair)" << i << R"(", "bone": "hair)" << i
                << R"(", "rotate": 1, "inertia": 0.5, "strength": 120, "damping": 0.9})";
        out << R"(], "skins": [{"name": "default", "attachments": {)" << attachments() << "}}]";
        out << R"(, "animations": {)" << animations() << "}}";
        return out.str();
    }

    std::string atlas() const
    {
        std::ostringstream out;
        out << "knight.png\nsize: 1024,1024\nfilter: Linear,Linear\n";
        for (const Region &r : regionList)
            out << r.name << "\nbounds: " << r.pageX << "," << r.pageY << "," << r.width << "," << r.height << "\n";
        return out.str();
    }

    QImage page() const
    {
        QImage image(1024, 1024, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        std::mt19937 random(7);
        for (const Region &r : regionList) {
            const QColor colour = QColor::fromHsv(int(random() % 360), 120 + int(random() % 100), 120 + int(random() % 120));
            QRadialGradient gradient(r.pageX + r.width / 2.0, r.pageY + r.height / 2.0, std::max(r.width, r.height) / 2.0);
            gradient.setColorAt(0, colour.lighter(140));
            gradient.setColorAt(0.8, colour);
            gradient.setColorAt(1, colour.darker(200));
            painter.setPen(QPen(colour.darker(300), 3));
            painter.setBrush(gradient);
            painter.drawRoundedRect(QRectF(r.pageX + 1.5, r.pageY + 1.5, r.width - 3, r.height - 3), r.width / 4.0,
                                    r.height / 4.0);
            for (int stripe = 0; stripe < 6; ++stripe) {
                painter.setPen(QPen(colour.darker(150 + stripe * 10), 2));
                const int y = r.pageY + r.height * (stripe + 1) / 7;
                painter.drawLine(r.pageX + r.width / 5, y, r.pageX + r.width * 4 / 5, y);
            }
        }
        return image;
    }

private:
    void bone(const std::string &name, const std::string &parent, double x, double y, double length, double rotation)
    {
        bones.push_back({name, parent, x, y, length, rotation});
    }

    void chain(const std::string &name, const std::string &parent, int count, double length, double x, double y,
               double rotation)
    {
        for (int i = 1; i <= count; ++i)
            bone(name + std::to_string(i), i == 1 ? parent : name + std::to_string(i - 1), i == 1 ? x : length,
                 i == 1 ? y : 0, length, i == 1 ? rotation : 6);
    }

    void region(const std::string &name, int width, int height)
    {
        if (cursorX + width > 1024) {
            cursorX = 0;
            cursorY += rowHeight + 2;
            rowHeight = 0;
        }
        regionList.push_back({name, width, height, cursorX, cursorY});
        cursorX += width + 2;
        rowHeight = std::max(rowHeight, height);
    }

    void slot(const std::string &name, const std::string &bone, const std::string &attachment, const std::string &extra = {})
    {
        slotList.push_back({name, bone, attachment, extra});
    }

    void regions()
    {
        region("cape", 180, 260);
        slot("cape", "chest", "cape");
        for (const char *side : {"back", "front"}) {
            const std::string s = side;
            region("thigh_" + s, 70, 130);
            region("shin_" + s, 60, 130);
            region("foot_" + s, 90, 45);
            slot("thigh_" + s, "thigh_" + s, "thigh_" + s);
            slot("shin_" + s, "shin_" + s, "shin_" + s);
            slot("foot_" + s, "foot_" + s, "foot_" + s);
        }
        region("skirt", 200, 110);
        slot("skirt", "hip", "skirt");
        region("torso", 150, 190);
        slot("torso", "spine1", "torso");
        for (const char *part : {"belt", "pouch1", "pouch2"}) {
            region(part, part[0] == 'b' ? 150 : 50, part[0] == 'b' ? 40 : 60);
            slot(part, part, part);
        }
        region("hair", 90, 170);
        slot("hair", "head", "hair", R"(, "dark": "302010")");
        for (const char *side : {"back", "front"}) {
            const std::string s = side;
            region("shoulder_" + s, 70, 70);
            region("upperarm_" + s, 50, 100);
            region("forearm_" + s, 45, 90);
            region("hand_" + s, 45, 50);
            slot("upperarm_" + s, "upperarm_" + s, "upperarm_" + s);
            slot("forearm_" + s, "forearm_" + s, "forearm_" + s);
            slot("hand_" + s, "hand_" + s, "hand_" + s);
            slot("shoulder_" + s, "shoulder_" + s, "shoulder_" + s);
        }
        region("weapon", 60, 280);
        slot("weapon", "weapon", "weapon");
        region("neck", 50, 50);
        slot("neck", "neck", "neck");
        region("head", 160, 170);
        slot("head", "head", "head");
        for (const char *part : {"eye_l", "eye_r", "mouth", "brow"}) {
            region(part, 30, 20);
            slot(part, part, part);
        }
        for (int i = 1; i <= 6; ++i) {
            region("lock" + std::to_string(i), 30, 50);
            slot("lock" + std::to_string(i), "hair" + std::to_string(i), "lock" + std::to_string(i));
        }
        for (int i = 1; i <= 8; ++i) {
            region("trim" + std::to_string(i), 40, 40);
            slot("trim" + std::to_string(i), "cape" + std::to_string(i), "trim" + std::to_string(i));
        }
        region("glow", 220, 220);
        slot("glow", "glow", "glow", R"(, "color": "ffffff80", "blend": "additive")");
    }

    // A grid mesh over a region: columns × rows quads, weighted along a chain when one is given.
    std::string gridMesh(const Region &r, int columns, int rows, const std::string &chainName, int chainLength,
                         double boneLength = 0) const
    {
        std::ostringstream uvs, triangles, vertices;
        const int across = columns + 1;
        for (int row = 0; row <= rows; ++row) {
            for (int column = 0; column <= columns; ++column) {
                const double u = double(column) / columns, v = double(row) / rows;
                uvs << (row || column ? ", " : "") << u << ", " << v;
                const double x = (u - 0.5) * r.width, y = (0.5 - v) * r.height;
                if (chainName.empty()) {
                    vertices << (row || column ? ", " : "") << x << ", " << y;
                    continue;
                }
                // Two neighbouring bones of the chain share each row, nearer one weighing more.
                const double along = v * (chainLength - 1);
                const int first = std::min(chainLength - 2, int(along));
                const double weight = along - first;
                // In each bone's own space: x along the chain, y across it.
                const int firstIndex = boneIndex(chainName + std::to_string(first + 1));
                vertices << (row || column ? ", " : "") << "2, " << firstIndex << ", " << weight * boneLength << ", " << x
                         << ", " << 1 - weight << ", " << firstIndex + 1 << ", " << (weight - 1) * boneLength << ", " << x
                         << ", " << weight;
            }
        }
        bool firstTriangle = true;
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                const int a = row * across + column, b = a + 1, c = a + across, d = c + 1;
                triangles << (firstTriangle ? "" : ", ") << a << ", " << c << ", " << b << ", " << b << ", " << c << ", " << d;
                firstTriangle = false;
            }
        }
        return R"({"type": "mesh", "uvs": [)" + uvs.str() + R"(], "triangles": [)" + triangles.str() + R"(], "vertices": [)"
               + vertices.str() + R"(], "hull": )" + std::to_string(2 * (columns + rows)) + R"(, "width": )"
               + std::to_string(r.width) + R"(, "height": )" + std::to_string(r.height) + "}";
    }

    int boneIndex(const std::string &name) const
    {
        for (std::size_t i = 0; i < bones.size(); ++i)
            if (bones[i].name == name)
                return int(i);
        return 0;
    }

    std::string attachments() const
    {
        std::ostringstream out;
        bool first = true;
        for (const Slot &s : slotList) {
            const Region &r = *std::find_if(regionList.begin(), regionList.end(), [&](const Region &x) { return x.name == s.attachment; });
            std::string body;
            if (s.name == "cape")
                body = gridMesh(r, 3, 8, "cape", 8, 30);
            else if (s.name == "hair")
                body = gridMesh(r, 2, 6, "hair", 6, 25);
            else if (s.name == "skirt" || s.name == "torso")
                body = gridMesh(r, 4, 3, "", 0);
            else
                body = R"({"x": )" + std::to_string(r.height / 3) + R"(, "rotation": -90, "width": )" + std::to_string(r.width)
                       + R"(, "height": )" + std::to_string(r.height) + "}";
            out << (first ? "" : ", ") << '"' << s.name << R"(": {")" << s.attachment << R"(": )" << body << "}";
            first = false;
        }
        return out.str();
    }

    std::string animations() const
    {
        std::ostringstream out;
        std::mt19937 random(11);
        bool firstAnimation = true;
        for (const BenchAnimation &animation : benchCharacterAnimations()) {
            out << (firstAnimation ? "" : ", ") << '"' << animation.name << R"(": {"bones": {)";
            firstAnimation = false;
            bool firstBone = true;
            for (const Bone &b : bones) {
                if (b.name == "root")
                    continue;
                out << (firstBone ? "" : ", ") << '"' << b.name << R"(": {"rotate": [)";
                firstBone = false;
                const int keys = 4;
                for (int k = 0; k <= keys; ++k) {
                    const double time = animation.seconds * k / keys;
                    const double angle = k == keys ? 0.0 : double(int(random() % 41) - 20);
                    out << (k ? ", " : "") << R"({"time": )" << time << R"(, "value": )" << angle
                        << (k % 2 ? R"(, "curve": [)" + std::to_string(time + animation.seconds / 12) + ", " + std::to_string(angle)
                                        + ", " + std::to_string(time + animation.seconds / 6) + ", 0]"
                                  : std::string())
                        << "}";
                }
                out << "]";
                if (b.name == "hip")
                    out << R"(, "translate": [{"time": 0, "x": 0, "y": 0}, {"time": )" << animation.seconds / 2
                        << R"(, "x": 30, "y": -20}, {"time": )" << animation.seconds << R"(, "x": 0, "y": 0}])";
                out << "}";
            }
            out << "}}";
        }
        return out.str();
    }

    std::vector<Bone> bones;
    std::vector<Slot> slotList;
    std::vector<Region> regionList;
    int cursorX = 0, cursorY = 0, rowHeight = 0;
};

bool writeText(const QString &path, const std::string &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.data(), qint64(text.size())) == qint64(text.size());
}

} // namespace

const std::vector<BenchAnimation> &benchCharacterAnimations()
{
    static const std::vector<BenchAnimation> animations{
        {"idle", 2.0}, {"walk", 1.0}, {"run", 0.7},  {"jump", 1.3},  {"attack", 1.2},
        {"hit", 0.5},  {"death", 1.6}, {"cast", 2.2}, {"taunt", 2.0}, {"victory", 2.5},
    };
    return animations;
}

QString writeBenchCharacter(const QString &folder)
{
    const Character character;
    const QDir dir(folder);
    if (!writeText(dir.filePath("knight.json"), character.json()) || !writeText(dir.filePath("knight.atlas"), character.atlas())
        || !character.page().save(dir.filePath("knight.png"), "PNG"))
        return {};
    return dir.filePath("knight.json");
}

} // namespace kvx::bench
