#pragma once
// The list of listed skeletons. Closed, it shows the current entry's base name; its drop-down shows
// beside each entry the folder relative to the folder it was handed over with, the data version
// and the readiness, and only the entries a filter text matches (the list itself keeps them all).

#include "app/elidedcombobox.h"
#include "assets/versiondetection.h"

class QStandardItemModel;
class QTreeView;

namespace kvx {

class ResourceList : public ElidedComboBox {
    Q_OBJECT
public:
    enum Column { Name, Folder, Version, Readiness };

    explicit ResourceList(QWidget *parent = nullptr);

    // Appends an entry: its base name (the text), its path (the data), its folder ("" when it lies
    // directly in the folder handed over) and its data version (empty when unknown). Its tool tip,
    // on every column and on the closed list while it is current, gives the full path, the format
    // and the data version, which tells apart entries whose names are alike.
    void addEntry(const QString &path, const QString &folder, SkeletonFormat format, const QString &version);
    void setReadiness(int row, const QString &text, bool ready);
    QString folderOf(int row) const;
    QString pathOf(int row) const;

    // Entries whose name or folder holds the text, in any case, stay in the drop-down.
    void setFilterText(const QString &text);
    bool isShownInDropDown(int row) const;
    QTreeView *dropDown() const { return table; }

    void showPopup() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void wordEntry(int row);
    bool matchesFilter(int row) const;

    QStandardItemModel *entries = nullptr;
    QTreeView *table = nullptr;
    QString filter;
};

} // namespace kvx
