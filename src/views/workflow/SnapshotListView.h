#pragma once
// SnapshotListView: the sidebar panel of the current frame's snapshots, oldest
// at the top. Its header saves a new snapshot through a small name dialog; a
// banner names the snapshot being compared; each row loads, compares, renames
// or deletes its snapshot. The panel never changes the list itself: every
// change goes out as a request and comes back at the next refresh.
//
// Rows belong to snapshots by identifier. A row's button looks its snapshot up
// in the current list when it is clicked (a snapshot gone meanwhile asks for
// nothing), and a refresh asked for while a click is being handled waits until
// the click has returned: rows are never re-dealt under a running click. Rows
// are kept and reused, never destroyed while the panel lives.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include "model/SnapshotItem.h"
#include "views/kit/ViewBasics.h"
#include "views/workflow/SnapshotRows.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace vantrel {

class ElidedLabel;
class FittingButton;
class FittingLabel;
class SymbolButton;

// One snapshot's card. Its values are set by the list; its buttons report to it.
class SnapshotRow final : public QWidget {
    Q_OBJECT

public:
    explicit SnapshotRow(QWidget* parent = nullptr);

    // Shows the snapshot; never emits. A rename in progress on the same snapshot survives.
    void show(const SnapshotItem& snapshot, snapshots::RowFlags flags);
    // Empties the row for reuse.
    void release();
    const std::optional<Uuid>& snapshotID() const { return id_; }
    snapshots::RowFlags flags() const { return flags_; }

    void beginRename();
    bool isRenaming() const;

    FittingLabel* nameLabel() const { return name_; }
    QLineEdit* nameEditor() const { return editor_; }
    QLabel* badge() const { return badge_; }
    QLabel* dateLabel() const { return date_; }
    SymbolButton* renameButton() const { return rename_; }
    SymbolButton* deleteButton() const { return delete_; }
    FittingButton* loadButton() const { return load_; }
    FittingButton* compareButton() const { return compare_; }

Q_SIGNALS:
    void loadClicked();
    void compareClicked();
    void deleteClicked();
    // The editor was committed with this text (not yet trimmed).
    void renameCommitted(const QString& typed);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void endRename(bool commit);

    std::optional<Uuid> id_;
    std::string shownName_;
    snapshots::RowFlags flags_;
    int styledLook_ = -1;  // the flags the styles were last set for
    FittingLabel* name_;
    QLineEdit* editor_;
    QLabel* badge_;
    QLabel* date_;
    SymbolButton* rename_;
    SymbolButton* delete_;
    FittingButton* load_;
    FittingButton* compare_;
};

class SnapshotListView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    SnapshotListView(Source<std::vector<SnapshotItem>> snapshots, Source<std::optional<Uuid>> comparedSnapshotID,
                     Source<EditParameters> currentParameters, QWidget* parent = nullptr);
    ~SnapshotListView() override;

    // Re-reads the list; rows follow by identifier. Never emits. Asked for
    // while a row's click is being handled, it runs once that click returns.
    void refresh() override;

    // The save button's action: the name field filled with the default name, the dialog shown.
    void openCreateDialog();
    // Ends the name dialog without creating anything (the window quits).
    void closeCreateDialog();
    QDialog* createDialog() const { return dialog_; }
    QLineEdit* createNameField() const;
    const QString& newSnapshotName() const { return newName_; }

    // The rows shown, top to bottom, and the row of one snapshot.
    std::vector<SnapshotRow*> rows() const;
    SnapshotRow* row(const Uuid& id) const;
    FittingButton* saveButton() const { return save_; }
    FittingLabel* title() const { return title_; }
    QWidget* banner() const { return banner_; }
    ElidedLabel* bannerText() const { return bannerText_; }
    QWidget* emptyState() const { return empty_; }
    QScrollArea* list() const { return scroll_; }  // the rows or the empty state
    QWidget* rowArea() const { return rowArea_; }

Q_SIGNALS:
    void applyRequested(const SnapshotItem& snapshot);
    void compareToggled(const SnapshotItem& snapshot);
    void deleteRequested(const Uuid& id);
    void renameRequested(const Uuid& id, const std::string& name);
    void createRequested(const std::string& name);
    void clearCompareRequested();

private:
    enum class Action { load, compare, remove };
    void act(SnapshotRow* row, Action action);
    void rename(SnapshotRow* row, const QString& typed);
    // Runs a request; a refresh asked for meanwhile runs after it, on the next turn.
    template <typename Request>
    void whileActing(Request request);
    void createFromDialog();
    SnapshotRow* makeRow();
    void placeRows(const std::vector<SnapshotRow*>& order);

    Source<std::vector<SnapshotItem>> snapshots_;
    Source<std::optional<Uuid>> compared_;
    Source<EditParameters> current_;
    int acting_ = 0;
    bool refreshWaiting_ = false;
    QString newName_;

    FittingLabel* title_;
    FittingButton* save_;
    QWidget* banner_;
    ElidedLabel* bannerText_;
    FittingButton* exitCompare_;
    QWidget* empty_;
    FittingLabel* emptyTitle_;
    FittingLabel* emptyText_;
    QScrollArea* scroll_;
    QWidget* rowArea_;
    QVBoxLayout* rowColumn_;
    std::vector<SnapshotRow*> rows_;  // every row made, shown or free
    std::vector<SnapshotRow*> placed_;
    QPointer<QDialog> dialog_;
};

}  // namespace vantrel
