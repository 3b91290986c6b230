#include "drawlist.h"

#include <QByteArray>

#include <cstring>

namespace kvx::plugin {

namespace {

constexpr size_t commandWords = 7;

// Copies an ArrayBuffer property into a vector of T; false when its size is not a multiple.
template <typename T>
bool copyBuffer(QJSEngine &engine, const QJSValue &frame, const char *name, std::vector<T> &out)
{
    const QByteArray bytes = engine.fromScriptValue<QByteArray>(frame.property(QString::fromLatin1(name)));
    if (bytes.size() % qsizetype(sizeof(T)) != 0)
        return false;
    out.resize(size_t(bytes.size()) / sizeof(T));
    if (!out.empty())
        std::memcpy(out.data(), bytes.constData(), size_t(bytes.size()));
    return true;
}

std::vector<DrawRange> toRanges(const std::vector<uint32_t> &words)
{
    std::vector<DrawRange> ranges(words.size() / commandWords);
    for (size_t i = 0; i < ranges.size(); ++i) {
        const uint32_t *w = &words[i * commandWords];
        ranges[i] = DrawRange{w[0], w[1], w[2], w[3], w[4], int32_t(w[5]), w[6] & 0x00FFFFFFu};
    }
    return ranges;
}

} // namespace

bool DrawList::read(QJSEngine &engine, const QJSValue &frame, size_t pageCount, std::string &error)
{
    clear();
    std::vector<uint32_t> words;
    const bool copied = copyBuffer(engine, frame, "vertices", vertices) && copyBuffer(engine, frame, "indices", indices)
                        && copyBuffer(engine, frame, "commands", words) && words.size() % commandWords == 0;
    if (copied)
        ranges = toRanges(words);
    if (!copied || !rangesFit(pageCount)) {
        clear();
        error = "Runtime script returned a malformed frame.";
        return false;
    }
    return true;
}

void DrawList::clear()
{
    vertices.clear();
    indices.clear();
    ranges.clear();
}

bool DrawList::rangesFit(size_t pageCount) const
{
    for (const DrawRange &range : ranges) {
        const bool verticesFit = uint64_t(range.firstVertex) + range.vertexCount <= vertices.size();
        const bool indicesFit = uint64_t(range.firstIndex) + range.indexCount <= indices.size();
        if (!verticesFit || !indicesFit || range.page >= pageCount)
            return false;
    }
    return true;
}

bool DrawList::fill(uint32_t index, const std::vector<std::string> &pagePaths, kvxRuntimeDrawCommand &command) const
{
    if (index >= ranges.size())
        return false;
    const DrawRange &range = ranges[index];
    command.vertices = range.vertexCount ? vertices.data() + range.firstVertex : nullptr;
    command.vertexCount = range.vertexCount;
    command.indices = range.indexCount ? indices.data() + range.firstIndex : nullptr;
    command.indexCount = range.indexCount;
    command.texturePath = pagePaths[range.page].c_str();
    command.blendMode = range.blendMode;
    return true;
}

bool DrawList::darkColor(uint32_t index, uint32_t &color) const
{
    if (index >= ranges.size())
        return false;
    color = ranges[index].darkColor;
    return true;
}

} // namespace kvx::plugin
