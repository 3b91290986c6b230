#pragma once
// Conversion in the window: the current export, or every listed export that is ready, converted one
// after another into a folder the user chooses. A single conversion is a batch of one.

#include "app/windowdialogs.h"
#include "conversion/qt/batchconversion.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

namespace kvx {

class ExportCatalog;
class ReadinessPresenter;

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
    // Converts every ready export of the list into one chosen folder.
    void convertAll(const QStringList &skeletonPaths, bool straightAlpha);
    // Ends the running conversion: its editor is ended and its working folder removed.
    void stop();

    bool isRunning() const { return batch != nullptr; }
    Mode runningMode() const { return mode; }
    QString runningWorkingDirectory() const;

signals:
    void started(kvx::ConversionController::Mode mode, QString editorVersion);
    void progress(QString status);
    // After the outcome's message; the window's readiness runs again.
    void ended(QString status, QString toolTip);

private:
    void start(const QString &editorPath, const QString &outputParent, bool straightAlpha,
               const QList<BatchItem> &items);
    void finishSingle(bool stopped);
    void finishAll(bool stopped);

    ExportCatalog &catalog;
    ReadinessPresenter &readiness;
    const WindowDialogs &dialogs;
    QWidget *window = nullptr;
    QPointer<BatchConversion> batch;
    Mode mode = Mode::Single;
    QStringList skipped; // listed exports the running batch leaves out, with the reason
};

} // namespace kvx
