#include "inputlimits.h"

#include <QFile>

#include <cstdio>
#include <vector>

namespace kvx::plugin {

namespace {

std::string megabytes(qint64 bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / (1024.0 * 1024.0));
    return text;
}

std::string tooLarge(const char *what, qint64 size, qint64 maxBytes)
{
    return std::string(what) + " is " + (size > maxBytes ? megabytes(size) : "larger than " + megabytes(maxBytes))
           + "; the preview reads at most " + megabytes(maxBytes) + ".";
}

} // namespace

BoundedRead readBoundedFile(const QString &path, qint64 maxBytes, const char *what)
{
    BoundedRead result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = "File could not be opened: " + path.toStdString();
        return result;
    }
    // The size is checked before reading so a huge file costs no memory; the read itself is
    // bounded too, for files that grow or report no size.
    if (file.size() > maxBytes) {
        result.error = tooLarge(what, file.size(), maxBytes);
        return result;
    }
    result.bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        result.error = "File could not be read: " + path.toStdString();
        return result;
    }
    if (result.bytes.size() > maxBytes) {
        result.bytes.clear();
        result.error = tooLarge(what, -1, maxBytes);
        return result;
    }
    result.ok = true;
    return result;
}

qint64 peakPendingJsonValues(const QByteArray &json)
{
    // One entry per open container: the elements seen so far, or -1 for an object.
    std::vector<qint64> open;
    qint64 pending = 0, peak = 0;
    bool awaitingFirst = false; // just after '[': the next value is the array's first element
    const char *text = json.constData();
    const qsizetype size = json.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            continue;
        if (awaitingFirst && c != ']' && !open.empty()) {
            ++open.back();
            ++pending;
        }
        awaitingFirst = false;
        switch (c) {
        case '"':
            for (++i; i < size && text[i] != '"'; ++i)
                if (text[i] == '\\')
                    ++i;
            break;
        case '[':
            open.push_back(0);
            awaitingFirst = true;
            break;
        case '{':
            open.push_back(-1);
            break;
        case ']':
        case '}':
            if (!open.empty()) {
                if (open.back() > 0)
                    pending -= open.back();
                open.pop_back();
            }
            break;
        case ',':
            if (!open.empty() && open.back() >= 0) {
                ++open.back();
                ++pending;
            }
            break;
        default:
            break;
        }
        if (pending > peak)
            peak = pending;
    }
    return peak;
}

qint64 atlasLineCount(const QByteArray &atlas)
{
    qint64 lines = 1;
    const char *text = atlas.constData();
    const qsizetype size = atlas.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (text[i] == '\n') {
            ++lines;
        } else if (text[i] == '\r') {
            ++lines;
            if (i + 1 < size && text[i + 1] == '\n')
                ++i;
        }
    }
    return lines;
}

std::string checkSkeletonJson(const QByteArray &json)
{
    const qint64 peak = peakPendingJsonValues(json);
    if (peak <= maxPendingJsonValues)
        return {};
    return "Skeleton data holds arrays of " + std::to_string(peak) + " values; the preview reads at most "
           + std::to_string(maxPendingJsonValues) + ".";
}

std::string checkAtlasText(const QByteArray &atlas)
{
    const qint64 lines = atlasLineCount(atlas);
    if (lines <= maxAtlasLines)
        return {};
    return "Atlas has " + std::to_string(lines) + " lines; the preview reads at most " + std::to_string(maxAtlasLines)
           + ".";
}

} // namespace kvx::plugin
