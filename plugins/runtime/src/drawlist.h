#pragma once
// One frame's draw commands, copied out of the buffers the script filled.

#include "preview/kvxruntime.h"

#include <QJSEngine>
#include <QJSValue>

#include <cstdint>
#include <string>
#include <vector>

namespace kvx::plugin {

struct DrawRange {
    uint32_t firstVertex = 0;
    uint32_t vertexCount = 0;
    uint32_t firstIndex = 0;
    uint32_t indexCount = 0;
    uint32_t page = 0;
    int32_t blendMode = 0;
    uint32_t darkColor = 0; // 0x00RRGGBB
};

class DrawList {
public:
    // Takes the frame object of the script's update(); false when its buffers do not fit
    // together (the previous frame is dropped either way).
    bool read(QJSEngine &engine, const QJSValue &frame, size_t pageCount, std::string &error);
    void clear();

    uint32_t count() const { return uint32_t(ranges.size()); }
    // Fills command for index; false when there is no such command.
    bool fill(uint32_t index, const std::vector<std::string> &pagePaths, kvxRuntimeDrawCommand &command) const;
    // The command's dark colour; false when there is no such command.
    bool darkColor(uint32_t index, uint32_t &color) const;

private:
    bool rangesFit(size_t pageCount) const;

    std::vector<kvxRuntimeVertex> vertices;
    std::vector<uint16_t> indices;
    std::vector<DrawRange> ranges;
};

} // namespace kvx::plugin
