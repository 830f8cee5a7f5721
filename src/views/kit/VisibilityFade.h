#pragma once
// VisibilityFade: a widget that appears and disappears by fading, as the
// floating panels over the canvas do. The fade runs on an opacity effect that
// is there only while it runs (a widget at rest is painted directly), and a
// fade that is turned round midway starts from where it is. With animations
// switched off, or while the window is not on screen, the widget is shown or
// hidden at once.
#include <QObject>

class QGraphicsOpacityEffect;
class QVariantAnimation;
class QWidget;

namespace vantrel {

class VisibilityFade final : public QObject {
    Q_OBJECT

public:
    static constexpr int kDurationMs = 200;

    // The fade of `target` (made on first use, owned by the target).
    static VisibilityFade& of(QWidget* target);

    // Fades towards shown or hidden; asking again for the same end does nothing.
    void setShown(bool shown);
    // Where the fade is going (the widget stays visible while it fades out).
    bool isShown() const { return shown_; }
    bool isFading() const;

private:
    explicit VisibilityFade(QWidget* target);
    void finish();

    QWidget* target_;
    QVariantAnimation* animation_;
    QGraphicsOpacityEffect* effect_ = nullptr;
    bool shown_;
};

// Shorthand for VisibilityFade::of(target).setShown(shown).
inline void fadeVisible(QWidget* target, bool shown) { VisibilityFade::of(target).setShown(shown); }

}  // namespace vantrel
