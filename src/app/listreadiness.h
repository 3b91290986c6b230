#pragma once
// The readiness column of the resource list's drop-down, brought up to date a few entries per turn
// of the event loop, so that a list of thousands never holds the window; worded again when the
// language changes.

#include <QObject>

class QTimer;

namespace kvx {

class ExportCatalog;
class ResourceList;

class ListReadiness : public QObject {
    Q_OBJECT
public:
    ListReadiness(ExportCatalog &catalog, ResourceList &list, QObject *parent = nullptr);

    // Looks at every entry again from the first: the editor, its cache or the files may have changed.
    void refresh();
    bool isRefreshing() const;

protected:
    bool event(QEvent *event) override;

private:
    void step();

    ExportCatalog &catalog;
    ResourceList &list;
    QTimer *turns = nullptr;
    int nextRow = 0;
};

} // namespace kvx
