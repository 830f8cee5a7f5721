#pragma once
// SubjectMaskControlView: the inspector's section of the detected subject.
// Before a subject is found it explains the tool and offers the detection
// (busy while one runs); afterwards it grades the subject and the background
// on two tabs, inverts the split, switches the grading on and off, resets it,
// detects again or clears the subject mask.
//
// Edits go through the binding of the recipe's subject-mask record, one write
// and one changed() per user edit; detection and clearing are asked of the window.
#include <vector>

#include <QWidget>

#include "model/Binding.h"
#include "model/SubjectMaskParameters.h"
#include "views/kit/ViewBasics.h"

class QCheckBox;
class QLabel;

namespace vantrel {

class Chip;
class ElidedLabel;
class ProgressButton;
class ProSlider;
class RoundedBox;
class SegmentedControl;

class SubjectMaskControlView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    SubjectMaskControlView(Binding<SubjectMaskParameters> subject, Source<bool> isDetecting, QWidget* parent = nullptr);

    void refresh() override;

    int activeTab() const { return activeTab_; }

    // Parts, for tests.
    QWidget* badge() const { return badge_; }
    Chip* resetButton() const { return reset_; }
    Chip* eyeButton() const { return eye_; }
    RoundedBox* detectionCard() const { return detectionCard_; }
    QLabel* description() const { return description_; }
    ProgressButton* detectButton() const { return detect_; }
    RoundedBox* gradingCard() const { return gradingCard_; }
    SegmentedControl* tabs() const { return tabs_; }
    QCheckBox* invertSwitch() const { return invert_; }
    Chip* reanalyzeButton() const { return reanalyze_; }
    Chip* clearButton() const { return clear_; }
    std::vector<ProSlider*> shownSliders() const;

Q_SIGNALS:
    void detectRequested();
    void clearRequested();
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitFooter();

    struct SliderRow {
        int tab;
        ProSlider* slider;
        const char* key;
    };

    // Writes the record changed by `edit`, then reports.
    template <typename Edit>
    void edit(Edit&& change);
    // One slider per row of the side's parameter table, in the table's order.
    template <typename Adjustment>
    void addSliders(QWidget* column, int tab, Adjustment SubjectMaskParameters::*side);

    Binding<SubjectMaskParameters> subject_;
    Source<bool> isDetecting_;
    int activeTab_ = 0;

    ElidedLabel* title_ = nullptr;
    QWidget* badge_ = nullptr;
    QLabel* badgeText_ = nullptr;
    Chip* reset_ = nullptr;
    Chip* eye_ = nullptr;
    RoundedBox* detectionCard_ = nullptr;
    QLabel* description_ = nullptr;
    ProgressButton* detect_ = nullptr;
    RoundedBox* gradingCard_ = nullptr;
    SegmentedControl* tabs_ = nullptr;
    QWidget* subjectSliders_ = nullptr;
    QWidget* backgroundSliders_ = nullptr;
    std::vector<SliderRow> sliders_;
    QWidget* footer_ = nullptr;
    QCheckBox* invert_ = nullptr;
    Chip* reanalyze_ = nullptr;
    Chip* clear_ = nullptr;
};

}  // namespace vantrel
