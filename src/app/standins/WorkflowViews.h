#pragma once
// Stand-ins of the workflow bars, dialogs and sheets. The export dialog, the
// synchronisation dialog and the save-recipe sheet work in a plain form (the
// window presents them as window-modal sheets); the culling bar and the
// snapshot list are placeholders.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QSize>

#include "app/standins/StandInView.h"
#include "engine/io/LoadedPhoto.h"
#include "model/BatchSyncOptions.h"
#include "model/EditParameters.h"
#include "model/PhotoCullingRecord.h"
#include "model/SnapshotItem.h"
#include "services/ExportSettings.h"

class QComboBox;
class QLineEdit;

namespace vantrel {

class ExportSettingsDialog final : public QDialog {
public:
    ExportSettingsDialog(Binding<ExportSettings> settings, std::vector<LoadedPhoto> photos, Callback onCancel,
                         std::function<void(const ExportSettings&)> onExport, QWidget* parent = nullptr);
    // What pressing the export button does (tests press it this way).
    void exportNow();

private:
    Binding<ExportSettings> settings_;
    std::vector<LoadedPhoto> photos_;
    Callback onCancel_;
    std::function<void(const ExportSettings&)> onExport_;
    QComboBox* format_;
    QComboBox* colorSpace_;
};

class BatchSyncDialog final : public QDialog {
public:
    BatchSyncDialog(Binding<BatchSyncOptions> options, std::string sourceTitle, int targetCount, Callback onCancel,
                    Callback onSync, QWidget* parent = nullptr);

private:
    Binding<BatchSyncOptions> options_;
};

class SavePresetSheet final : public QDialog {
public:
    using SaveAction = std::function<void(const std::string& name, const std::string& subtitle, bool includeFrame)>;
    SavePresetSheet(Binding<bool> isPresented, EditParameters parameters, SaveAction onSave, QWidget* parent = nullptr);

private:
    Binding<bool> isPresented_;
    EditParameters parameters_;
    QLineEdit* name_;
    QLineEdit* subtitle_;
};

class CullingControlBar final : public PlaceholderView {
public:
    struct State {
        int rating = 0;
        ColorLabel colorLabel = ColorLabel::none;
        PickStatus pickStatus = PickStatus::unflagged;
        CullingFilterCriteria filter{};
        int totalCount = 0;
        int filteredCount = 0;
    };
    struct Actions {
        std::function<void(int)> onSetRating;
        std::function<void(ColorLabel)> onSetColorLabel;
        std::function<void(PickStatus)> onSetPickStatus;
        std::function<void(const CullingFilterCriteria&)> onSetFilter;
    };
    CullingControlBar(Source<State> state, Actions actions, QWidget* parent = nullptr)
        : PlaceholderView("CullingControlBar", parent), state_(std::move(state)), actions_(std::move(actions)) {}

private:
    Source<State> state_;
    Actions actions_;
};

// Stand-in with the one real part the window relies on: the name field and
// its Return key, which create a snapshot.
class SnapshotListView final : public PlaceholderView {
public:
    struct Actions {
        std::function<void(const SnapshotItem&)> onApplySnapshot;
        std::function<void(const SnapshotItem&)> onToggleCompare;
        std::function<void(const Uuid&)> onDeleteSnapshot;
        std::function<void(const std::string&)> onCreateSnapshot;
        Callback onClearCompare;
    };
    SnapshotListView(Source<std::vector<SnapshotItem>> snapshots, Source<std::optional<Uuid>> comparedSnapshotID,
                     Source<EditParameters> currentParameters, Actions actions, QWidget* parent = nullptr);
    QLineEdit* nameField() const { return name_; }

private:
    Source<std::vector<SnapshotItem>> snapshots_;
    Source<std::optional<Uuid>> comparedSnapshotID_;
    Source<EditParameters> currentParameters_;
    Actions actions_;
    QLineEdit* name_;
};

}  // namespace vantrel
