// The atlas the unpacker reads, and the check of what it wrote.

#include "conversion/qt/conversionjob.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>

namespace kvx {

namespace {

// White space as a regular expression's \s knows it, except the line feed that ends the line.
bool isLineSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

qsizetype skipSpace(QByteArrayView line, qsizetype at)
{
    while (at < line.size() && isLineSpace(line[at]))
        ++at;
    return at;
}

bool holdsAt(QByteArrayView line, qsizetype at, QByteArrayView word)
{
    return line.sliced(at).startsWith(word);
}

// Where the value "true" starts on a line that holds only pma, a colon and true (white space
// anywhere around them); -1 for every other line.
qsizetype pmaTrueValueOffset(QByteArrayView line)
{
    qsizetype at = skipSpace(line, 0);
    if (!holdsAt(line, at, "pma"))
        return -1;
    at = skipSpace(line, at + 3);
    if (!holdsAt(line, at, ":"))
        return -1;
    const qsizetype value = skipSpace(line, at + 1);
    if (!holdsAt(line, value, "true") || skipSpace(line, value + 4) != line.size())
        return -1;
    return value;
}

// The system's reason for a file's last failure: the failed call's errno (a full disk says so),
// or what Qt made of it.
std::error_code fileError(const QFile &file)
{
    if (file.error() == QFileDevice::NoError)
        return {};
    if (errno != 0)
        return std::error_code(errno, std::generic_category());
    return file.error() == QFileDevice::PermissionsError ? std::make_error_code(std::errc::permission_denied)
                                                          : std::make_error_code(std::errc::io_error);
}

// Works on the bytes so that everything else (page names in any encoding, line endings, spacing,
// a missing final line feed) reaches the unpacker exactly as exported.
QByteArray withoutPremultipliedPages(const QByteArray &atlas)
{
    QByteArray result;
    result.reserve(atlas.size() + 16);
    qsizetype lineStart = 0;
    while (lineStart <= atlas.size()) {
        qsizetype lineEnd = atlas.indexOf('\n', lineStart);
        if (lineEnd < 0)
            lineEnd = atlas.size();
        const QByteArrayView line = QByteArrayView(atlas).sliced(lineStart, lineEnd - lineStart);
        const qsizetype value = pmaTrueValueOffset(line);
        if (value < 0) {
            result.append(line);
        } else {
            result.append(line.first(value));
            result.append("false");
            result.append(line.sliced(value + 4));
        }
        if (lineEnd < atlas.size())
            result.append('\n');
        lineStart = lineEnd + 1;
    }
    return result;
}

} // namespace

Status ConversionJob::prepareUnpackAtlas()
{
    if (request.straightAlpha)
        return Done{};
    QFile source(atlasPath);
    if (!source.open(QIODevice::ReadOnly))
        return failure(FailureKind::AtlasUnreadable, atlasPath.toStdString(), fileError(source));
    const QByteArray original = source.readAll();
    source.close();

    const QByteArray copy = withoutPremultipliedPages(original);
    QFile target(unpackAtlasPath);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate) || target.write(copy) != copy.size()
        || !target.flush())
        return failure(FailureKind::UnpackAtlasNotPrepared, {}, fileError(target));
    return Done{};
}

bool ConversionJob::hasUnpackedImages() const
{
    const QString images = QDir(tempDir->path()).filePath(QStringLiteral("images"));
    const QStringList patterns{QStringLiteral("*.png"), QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"),
                               QStringLiteral("*.webp")};
    QDirIterator files(images, patterns, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    return files.hasNext();
}

} // namespace kvx
