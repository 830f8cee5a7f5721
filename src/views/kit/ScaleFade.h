#pragma once
// ScaleFade: a floating panel that appears by growing from a little smaller
// while it fades in, and leaves the same way. Each change is given its motion:
// at once, a spring, or an ease in and out over a duration. A transition turned
// round midway goes back from where it is (a spring keeps its speed). The
// panel stays a live widget while it moves; a graphics effect draws it scaled
// and faded and is there only while it moves. With animations switched off,
// or while the window is not on screen, it is shown or hidden at once.
#include <variant>

#include <QObject>

#include "views/kit/SpringValue.h"

class QVariantAnimation;
class QWidget;

namespace vantrel {

class ScaleFadeEffect;

struct EaseInOut {
    double seconds = 0.15;
};
// No motion (std::monostate) is a change at once.
using Motion = std::variant<std::monostate, Spring, EaseInOut>;

class ScaleFade final : public QObject {
    Q_OBJECT

public:
    static constexpr double kHiddenScale = 0.95;

    // The transition of `target` (made on first use, owned by the target).
    static ScaleFade& of(QWidget* target);

    // Moves towards shown or hidden; asking again for the same end does nothing.
    void setShown(bool shown, const Motion& motion = {});
    // Where it is going (the widget stays visible while it leaves).
    bool isShown() const { return shown_; }
    bool isMoving() const;
    // From 0 (gone) to 1 (there); a spring may pass 1 a little.
    double progress() const { return progress_; }
    double opacity() const;
    double scale() const;

Q_SIGNALS:
    void progressChanged();

private:
    enum class Driver { none, spring, ease };

    explicit ScaleFade(QWidget* target);
    void apply(double progress);
    void finish();

    QWidget* target_;
    SpringValue* spring_;
    QVariantAnimation* ease_;
    ScaleFadeEffect* effect_ = nullptr;
    Driver driver_ = Driver::none;
    double progress_;
    bool shown_;
};

}  // namespace vantrel
