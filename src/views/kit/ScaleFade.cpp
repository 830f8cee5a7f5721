#include "views/kit/ScaleFade.h"

#include <algorithm>
#include <cmath>

#include <QGraphicsEffect>
#include <QPainter>
#include <QVariantAnimation>
#include <QWidget>

namespace vantrel {

// Draws the panel scaled about its centre and faded.
class ScaleFadeEffect final : public QGraphicsEffect {
public:
    using QGraphicsEffect::QGraphicsEffect;

    void set(double opacity, double scale) {
        if (opacity == opacity_ && scale == scale_) return;
        opacity_ = opacity;
        scale_ = scale;
        update();
    }

protected:
    void draw(QPainter* painter) override {
        if (opacity_ <= 0) return;
        QPoint offset;
        const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
        const QPointF centre = QRectF(offset, pixmap.deviceIndependentSize()).center();
        painter->save();
        painter->setOpacity(painter->opacity() * opacity_);
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->translate(centre);
        painter->scale(scale_, scale_);
        painter->translate(-centre);
        painter->drawPixmap(offset, pixmap);
        painter->restore();
    }

private:
    double opacity_ = 1;
    double scale_ = 1;
};

namespace {

const char* const kName = "vantrel.scaleFade";

}  // namespace

ScaleFade& ScaleFade::of(QWidget* target) {
    auto* fade = target->findChild<ScaleFade*>(QLatin1String(kName), Qt::FindDirectChildrenOnly);
    return fade ? *fade : *new ScaleFade(target);
}

ScaleFade::ScaleFade(QWidget* target)
    : QObject(target),
      target_(target),
      spring_(new SpringValue({}, target->isHidden() ? 0 : 1, this)),
      ease_(new QVariantAnimation(this)),
      progress_(target->isHidden() ? 0 : 1),
      shown_(!target->isHidden()) {
    setObjectName(QLatin1String(kName));
    ease_->setEasingCurve(QEasingCurve::InOutQuad);
    connect(spring_, &SpringValue::valueChanged, this, [this](double value) {
        if (driver_ == Driver::spring) apply(value);
    });
    connect(spring_, &SpringValue::settled, this, [this] {
        if (driver_ == Driver::spring) finish();
    });
    connect(ease_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        if (driver_ == Driver::ease) apply(value.toDouble());
    });
    connect(ease_, &QVariantAnimation::finished, this, [this] {
        if (driver_ == Driver::ease) finish();
    });
}

bool ScaleFade::isMoving() const { return driver_ != Driver::none; }

double ScaleFade::opacity() const { return std::clamp(progress_, 0.0, 1.0); }

// Never past full size: the effect draws within the panel's own rectangle.
double ScaleFade::scale() const { return kHiddenScale + (1 - kHiddenScale) * opacity(); }

void ScaleFade::setShown(bool shown, const Motion& motion) {
    if (shown == shown_ && (isMoving() || target_->isHidden() != shown)) return;
    shown_ = shown;
    const double goal = shown ? 1.0 : 0.0;
    const QWidget* window = target_->window();
    if (std::holds_alternative<std::monostate>(motion) || !Animations::enabled() || !window ||
        !window->isVisible()) {
        driver_ = Driver::none;
        ease_->stop();
        spring_->setValue(goal);
        finish();
        return;
    }
    if (!effect_) {
        effect_ = new ScaleFadeEffect(target_);
        target_->setGraphicsEffect(effect_);  // the target owns it
    }
    apply(progress_);
    target_->setVisible(true);
    if (const Spring* spring = std::get_if<Spring>(&motion)) {
        if (driver_ != Driver::spring) {
            driver_ = Driver::none;  // the jump to where the panel is ends nothing
            ease_->stop();
            spring_->setValue(progress_);
        }
        driver_ = Driver::spring;
        spring_->animateTo(goal, *spring);
        if (!spring_->isMoving()) finish();  // already there
    } else {
        driver_ = Driver::none;
        spring_->setValue(progress_);
        ease_->stop();
        ease_->setStartValue(progress_);
        ease_->setEndValue(goal);
        // A turned-round transition has less of the way to go.
        const double seconds = std::get<EaseInOut>(motion).seconds * std::min(std::abs(goal - progress_), 1.0);
        ease_->setDuration(std::max(1, int(std::lround(seconds * 1000))));
        driver_ = Driver::ease;
        ease_->start();
    }
}

void ScaleFade::apply(double progress) {
    progress_ = progress;
    if (effect_) effect_->set(opacity(), scale());
    Q_EMIT progressChanged();
}

void ScaleFade::finish() {
    driver_ = Driver::none;
    progress_ = shown_ ? 1.0 : 0.0;
    if (effect_) {
        effect_ = nullptr;
        target_->setGraphicsEffect(nullptr);  // deletes the effect
    }
    target_->setVisible(shown_);
    Q_EMIT progressChanged();
}

}  // namespace vantrel
