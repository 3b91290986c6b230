#pragma once
// Sizes the plugin refuses before any script sees the files. The script engine holds a whole
// skeleton several times over while reading it, and Qt 6.4's engine crashes outright on arrays
// that are too long, so these checks run in C++ on the bytes.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>

namespace kvx::plugin {

// A real character's skeleton is well under 10 MB as JSON and a few MB as binary; three times
// that leaves room for the largest real exports while keeping the engine's peak (about five
// times the text) to a few hundred MB.
constexpr qint64 maxSkeletonJsonBytes = 32 * 1024 * 1024;
constexpr qint64 maxSkeletonBinaryBytes = 16 * 1024 * 1024;
// The same bound the window's atlas reader applies.
constexpr qint64 maxAtlasBytes = 16 * 1024 * 1024;

// Qt 6.4's JSON.parse keeps the elements of every array still open on the engine's own value
// stack, and a regular-expression split keeps every piece there; past about 555,000 values the
// stack overflows unchecked and the process dies. Real exports stay far below this bound: their
// longest arrays (mesh vertices, keys of one timeline) hold tens of thousands of values.
constexpr qint64 maxPendingJsonValues = 256 * 1024;
constexpr qint64 maxAtlasLines = 256 * 1024;

struct BoundedRead {
    bool ok = false;
    QByteArray bytes;
    std::string error;
};

// Reads the whole file when it holds at most maxBytes; what describes it ("Skeleton data",
// "Atlas") starts the message when it is larger.
BoundedRead readBoundedFile(const QString &path, qint64 maxBytes, const char *what);

// The most values held open at once while parsing the JSON text: for every point of the text,
// the sum of the elements of the arrays enclosing it. Strings are skipped; malformed text is
// counted as far as it goes (the parser then rejects it).
qint64 peakPendingJsonValues(const QByteArray &json);

// Lines as a split on \r\n, \r or \n counts them.
qint64 atlasLineCount(const QByteArray &atlas);

// Empty when the text may go to the engine; otherwise the message of the refusal.
std::string checkSkeletonJson(const QByteArray &json);
std::string checkAtlasText(const QByteArray &atlas);

} // namespace kvx::plugin
