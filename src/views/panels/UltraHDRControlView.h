#pragma once
// UltraHDRControlView: the inspector section of the highlight boost above
// standard white for extended-range screens. A header with the switch; while
// on, three presets (the current one highlighted), the boost, threshold and
// radius sliders, the screen's status with the boost's gain, a notice when the
// screen shows standard range only, and a tip. It draws no frame of its own.
//
// It edits the recipe's boost record through its binding: each user action
// writes once and emits changed() once (a preset sets its three values in one
// write). Switching on loads the enabled defaults while the boost is below
// 0.05 (otherwise only the flag changes), on the photographer's flip of the
// switch only. refresh() re-reads the record, asks the screen's headroom
// afresh, and emits nothing. Children are named "ultraHDR.<part>".
#include <memory>
#include <vector>

#include <QColor>
#include <QWidget>

#include "model/UltraHDRParameters.h"
#include "views/kit/DisplayEDRDetector.h"
#include "views/kit/Icons.h"
#include "views/kit/Marks.h"
#include "views/kit/ViewBasics.h"
#include "views/kit/FieldSlider.h"

class QLabel;

namespace vantrel {

class ChipRow;
class FittingLabel;
class PanelHeader;
class RoundedBox;

class UltraHDRControlView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    // Without a detector the screen is asked through SystemEDRDetector.
    explicit UltraHDRControlView(Binding<UltraHDRParameters> ultraHDR,
                                 std::shared_ptr<const DisplayEDRDetector> screen = nullptr, QWidget* parent = nullptr);

    void refresh() override;

    PanelHeader* header() const { return header_; }
    QWidget* body() const { return body_; }
    ChipRow* presets() const { return presets_; }
    ProSlider* slider(const char* field) const { return sliders_.slider(field); }
    DotView* statusDot() const { return dot_; }
    // Green for an extended-range screen, orange for a standard one.
    QColor statusColor() const { return statusColor_; }
    FittingLabel* statusText() const { return status_; }
    QLabel* headroomText() const { return headroom_; }
    RoundedBox* notice() const { return notice_; }
    QLabel* tip() const { return tip_; }

Q_SIGNALS:
    void changed();

private:
    void write(const UltraHDRParameters& hdr);
    void switched(bool on);
    void retitle();

    Binding<UltraHDRParameters> ultraHDR_;
    std::shared_ptr<const DisplayEDRDetector> screen_;
    LanguageWatch language_;
    PanelHeader* header_ = nullptr;
    QWidget* body_ = nullptr;
    ChipRow* presets_ = nullptr;
    FieldSliders sliders_;
    DotView* dot_ = nullptr;
    QColor statusColor_;
    FittingLabel* status_ = nullptr;
    QLabel* headroom_ = nullptr;
    RoundedBox* notice_ = nullptr;
    QLabel* noticeText_ = nullptr;
    QLabel* tip_ = nullptr;
};

}  // namespace vantrel
