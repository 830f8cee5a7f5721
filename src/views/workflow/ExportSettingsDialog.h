#pragma once
// ExportSettingsDialog: the sheet that sets the export options (format, JPEG
// quality, colour space) and starts the export of the frames it lists: one
// frame, or two or more as a batch. The options are written at once through
// their binding (they stay for the next opening); the dialog renders and
// writes nothing itself. The list is the dialog's own copy, taken when it was
// made, and exportRequested() hands out copies of it and of the options, so
// the export works on exactly the frames shown, whatever happens to the
// dialog meanwhile. With no frame listed the export button is disabled.
#include <array>
#include <optional>
#include <vector>

#include "engine/io/LoadedPhoto.h"
#include "model/Binding.h"
#include "services/ExportSettings.h"
#include "views/kit/ViewBasics.h"
#include "views/workflow/WorkflowSheet.h"

class QLabel;
class QRadioButton;
class QScrollArea;

namespace vantrel {

class Chip;
class FittingLabel;
class FrameChipStrip;
class ProSlider;
class SegmentedControl;
class SymbolView;

class ExportSettingsDialog final : public WorkflowSheet, public RefreshableView {
    Q_OBJECT

public:
    static constexpr int kWidth = 520;
    static constexpr int kMargin = 22;

    ExportSettingsDialog(Binding<ExportSettings> settings, std::vector<LoadedPhoto> photos, QWidget* parent = nullptr);
    // One frame, or none.
    ExportSettingsDialog(Binding<ExportSettings> settings, std::optional<LoadedPhoto> photo, QWidget* parent = nullptr);

    // Re-reads the options and the texts; never writes or emits.
    void refresh() override;

    const std::vector<LoadedPhoto>& photos() const { return photos_; }
    bool isBatch() const;

    SymbolView* headerSymbol() const { return symbol_; }
    FittingLabel* titleLabel() const { return title_; }
    FittingLabel* subtitleLabel() const { return subtitle_; }
    QScrollArea* frameStrip() const { return strip_; }
    // The chips shown, and the count of the frames without one (shown when there are such).
    std::vector<QLabel*> frameChips() const;
    QLabel* moreLabel() const;
    SegmentedControl* formatPicker() const { return format_; }
    QWidget* qualityBlock() const { return qualityBlock_; }
    QLabel* qualityPercent() const { return percent_; }
    ProSlider* qualitySlider() const { return slider_; }
    Chip* qualityChip(std::size_t index) const { return chips_.at(index); }
    QRadioButton* displayP3Button() const { return p3_; }
    QRadioButton* sRGBButton() const { return srgb_; }
    FittingButton* exportButton() const { return confirmButton(); }

Q_SIGNALS:
    // The options as they are now and the frames listed, both copies.
    void exportRequested(const ExportSettings& settings, const std::vector<LoadedPhoto>& photos);

private:
    void exportNow();
    void write(ExportSettings settings);
    void refreshQuality(const ExportSettings& settings);

    Binding<ExportSettings> settings_;
    std::vector<LoadedPhoto> photos_;

    SymbolView* symbol_;
    FittingLabel* title_;
    FittingLabel* subtitle_;
    QScrollArea* strip_;
    FrameChipStrip* chipStrip_;
    FittingLabel* formatCaption_;
    SegmentedControl* format_;
    QWidget* qualityBlock_;
    FittingLabel* qualityCaption_;
    QLabel* percent_;
    ProSlider* slider_;
    std::array<Chip*, 4> chips_{};
    FittingLabel* spaceCaption_;
    QRadioButton* p3_;
    QRadioButton* srgb_;
};

}  // namespace vantrel
