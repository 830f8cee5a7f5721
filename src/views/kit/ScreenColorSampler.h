#pragma once
// ScreenColorSampler: picks one colour from anywhere on the screen for an
// eyedropper. Implementations: the desktop portal's colour picker
// (PortalColorPicker), a cross-hair over a grab of the screen
// (ScreenGrabColorPicker), and SystemColorSampler, which chooses between them at
// run time; tests use a fake.
//
// A pick ends exactly once: its completion runs with the colour's sRGB
// components as the picker gives them (neither rounded nor clamped), or with
// nothing when the photographer cancelled or the picker failed. The completion
// always runs later, on this object's (the GUI) thread, never inside sample().
// Starting a pick while another runs ends the older one with nothing.
#include <functional>
#include <optional>

#include <QObject>

class QWidget;

namespace vantrel {

struct SampledColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    bool operator==(const SampledColor&) const = default;
};

class ScreenColorSampler : public QObject {
    Q_OBJECT

public:
    enum class Availability {
        probing,      // still asking the desktop; a pick waits for the answer
        available,
        unavailable,  // unavailableReasonKey() says why
    };
    using Completion = std::function<void(std::optional<SampledColor>)>;

    using QObject::QObject;

    virtual Availability availability() const = 0;
    // The localisation key of the reason sampling is unavailable; empty otherwise.
    virtual const char* unavailableReasonKey() const { return ""; }
    // Starts one pick over the screen; `window` is the asking window (may be null).
    virtual void sample(QWidget* window, Completion done) = 0;
    // Ends the running pick, if any: its completion runs with nothing.
    virtual void cancel() = 0;

Q_SIGNALS:
    void availabilityChanged();

protected:
    // Runs `done` with `colour` on the next turn of this object's event loop
    // (dropped if this object is gone by then).
    void deliver(Completion done, std::optional<SampledColor> colour);
};

}  // namespace vantrel
