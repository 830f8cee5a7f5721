#include "views/kit/VisibilityFade.h"

#include <QGraphicsOpacityEffect>
#include <QVariantAnimation>
#include <QWidget>

#include "views/kit/SpringValue.h"

namespace vantrel {

namespace {

const char* const kName = "vantrel.visibilityFade";

}  // namespace

VisibilityFade& VisibilityFade::of(QWidget* target) {
    auto* fade = target->findChild<VisibilityFade*>(QLatin1String(kName), Qt::FindDirectChildrenOnly);
    return fade ? *fade : *new VisibilityFade(target);
}

VisibilityFade::VisibilityFade(QWidget* target)
    : QObject(target), target_(target), animation_(new QVariantAnimation(this)), shown_(!target->isHidden()) {
    setObjectName(QLatin1String(kName));
    animation_->setDuration(kDurationMs);
    animation_->setEasingCurve(QEasingCurve::InOutQuad);
    connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& opacity) {
        if (effect_) effect_->setOpacity(opacity.toDouble());
    });
    connect(animation_, &QVariantAnimation::finished, this, &VisibilityFade::finish);
}

bool VisibilityFade::isFading() const { return animation_->state() == QAbstractAnimation::Running; }

void VisibilityFade::setShown(bool shown) {
    if (shown == shown_ && (isFading() || target_->isHidden() != shown)) return;
    shown_ = shown;
    const QWidget* window = target_->window();
    if (!Animations::enabled() || !window || !window->isVisible()) {
        animation_->stop();
        finish();
        return;
    }
    // From the opacity it has now: a turned-round fade goes back the way it came.
    const double from = effect_ ? effect_->opacity() : (target_->isHidden() ? 0.0 : 1.0);
    if (!effect_) {
        effect_ = new QGraphicsOpacityEffect(target_);
        effect_->setOpacity(from);
        target_->setGraphicsEffect(effect_);  // the target owns it
    }
    animation_->stop();
    animation_->setStartValue(from);
    animation_->setEndValue(shown ? 1.0 : 0.0);
    target_->setVisible(true);
    animation_->start();
}

void VisibilityFade::finish() {
    if (effect_) {
        effect_ = nullptr;
        target_->setGraphicsEffect(nullptr);  // deletes the effect
    }
    target_->setVisible(shown_);
}

}  // namespace vantrel
