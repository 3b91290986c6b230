#pragma once
// Conversion in the window: the current export, or every listed export that is ready, converted one
// after another into a folder the user chooses. A single conversion is a batch of one.

#include "app/windowdialogs.h"
#include "common/qt/livetext.h"
#include "conversion/qt/batchconversion.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

namespace kvx {

class ExportCatalog;
class ReadinessPresenter;

// A listed export and the folder it lay in, relative to the folder it was handed over with ("" when
// directly in it).
struct ListedExport {
    QString path;
    QString folder;
};

class ConversionController : public QObject {
    Q_OBJECT
public:
    enum class Mode { Single, All };

    ConversionController(ExportCatalog &catalog, ReadinessPresenter &readiness, const WindowDialogs &dialogs,
                         QWidget *window);
    ~ConversionController() override;

    // Converts the export at the path into a folder the user chooses (or outputParent when given).
    // Returns whether a conversion started.
    bool convert(const QString &skeletonPath, bool straightAlpha, const QString &outputParent = QString());
    // Converts every ready export of the list into one chosen folder, each into the folder below it
    // that keeps its place among the others.
    void convertAll(const QList<ListedExport> &exports, bool straightAlpha);
    // Ends the running conversion: its editor is ended and its working folder removed.
    void stop();

    bool isRunning() const { return batch != nullptr; }
    Mode runningMode() const { return mode; }
    QString runningWorkingDirectory() const;

signals:
    void started(kvx::ConversionController::Mode mode, QString editorVersion);
    void progress(kvx::LiveText status);
    // "全部转换" has started the item at index (counting from 0) of total.
    void batchProgress(int index, int total);
    // After the outcome's message; the window's readiness runs again.
    void ended(kvx::LiveText status, kvx::LiveText toolTip);

private:
    void start(const QString &editorPath, const QString &outputParent, bool straightAlpha,
               const QList<BatchItem> &items);
    void finishSingle(bool stopped);
    void finishAll(bool stopped);
    // The export's file name with its folder, which tells apart exports of the same name.
    QString shownName(const QString &skeletonPath) const;
    std::function<void()> openFolderAction(const QString &folder) const;

    ExportCatalog &catalog;
    ReadinessPresenter &readiness;
    const WindowDialogs &dialogs;
    QWidget *window = nullptr;
    QPointer<BatchConversion> batch;
    Mode mode = Mode::Single;
    QStringList skipped; // listed exports the running batch leaves out, with the reason
    QHash<QString, QString> folders; // of the running batch's exports, by path
    QString outputFolder;            // the running batch's
};

} // namespace kvx
