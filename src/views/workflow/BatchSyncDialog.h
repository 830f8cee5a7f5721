#pragma once
// BatchSyncDialog: the sheet that chooses which groups of the current frame's
// recipe are copied onto other frames of the roll, and starts the copy. Every
// switch has a row (the negative conversion too, so nothing is copied that the
// sheet does not show); three quick buttons select every group, none, or the
// recommended set. Each change is written at once through the binding and
// stays for the next opening; the copy itself is the syncRequested() of the
// caller. The source's title and the number of targets are read at each refresh.
#include <array>
#include <string>

#include "model/BatchSyncOptions.h"
#include "model/Binding.h"
#include "views/kit/ViewBasics.h"
#include "views/workflow/SyncRows.h"
#include "views/workflow/WorkflowSheet.h"

class QPushButton;

namespace vantrel {

class FittingLabel;
class OptionRow;

class BatchSyncDialog final : public WorkflowSheet, public RefreshableView {
    Q_OBJECT

public:
    static constexpr int kWidth = 620;

    BatchSyncDialog(Binding<BatchSyncOptions> options, Source<std::string> sourcePhotoTitle,
                    Source<int> targetPhotoCount, QWidget* parent = nullptr);

    // Re-reads the switches, the source and the count; never writes or emits.
    void refresh() override;

    OptionRow* row(bool BatchSyncOptions::*option) const;
    FittingButton* selectAllButton() const { return selectAll_; }
    FittingButton* clearButton() const { return clear_; }
    FittingButton* recommendedButton() const { return recommended_; }
    FittingLabel* subtitleLabel() const { return subtitle_; }
    FittingLabel* summaryLabel() const { return summary_; }
    FittingButton* syncButton() const { return confirmButton(); }

Q_SIGNALS:
    void syncRequested();

private:
    void write(const BatchSyncOptions& options);

    Binding<BatchSyncOptions> options_;
    Source<std::string> source_;
    Source<int> targets_;

    FittingLabel* title_;
    FittingLabel* subtitle_;
    FittingButton* selectAll_;
    FittingButton* clear_;
    FittingButton* recommended_;
    FittingLabel* leftTitle_;
    FittingLabel* rightTitle_;
    FittingLabel* isolatedTitle_;
    std::array<OptionRow*, sync::kRows.size()> rows_{};
    FittingLabel* summary_;
};

}  // namespace vantrel
