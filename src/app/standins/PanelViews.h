#pragma once
// Stand-ins of the adjustment panels the inspector places. Each is built with
// a binding into the current recipe (or one of its groups) and `onChanged`,
// called after every edit it writes.
#include <vector>

#include "app/standins/StandInView.h"
#include "model/EditParameters.h"
#include "model/ImageMetadataInfo.h"

namespace vantrel {

// A panel over a binding of T and one change callback.
template <typename T>
class BoundPanel : public PlaceholderView {
public:
    BoundPanel(QString name, Binding<T> value, Callback onChanged, QWidget* parent)
        : PlaceholderView(std::move(name), parent), value_(std::move(value)), onChanged_(std::move(onChanged)) {}

protected:
    Binding<T> value_;
    Callback onChanged_;
};

struct HSLColorMixerView final : BoundPanel<EditParameters> {
    HSLColorMixerView(Binding<EditParameters> parameters, Callback onChange, QWidget* parent = nullptr)
        : BoundPanel("HSLColorMixerView", std::move(parameters), std::move(onChange), parent) {}
};

struct ColorWheelsView final : BoundPanel<EditParameters> {
    ColorWheelsView(Binding<EditParameters> parameters, Callback onChanged, QWidget* parent = nullptr)
        : BoundPanel("ColorWheelsView", std::move(parameters), std::move(onChanged), parent) {}
};

// Reads the frame's capture data for the exposure watermark.
struct FilmFrameControlView final : BoundPanel<EditParameters> {
    FilmFrameControlView(Binding<EditParameters> parameters, Source<ImageMetadataInfo> metadata, Callback onChanged,
                         QWidget* parent = nullptr)
        : BoundPanel("FilmFrameControlView", std::move(parameters), std::move(onChanged), parent),
          metadata_(std::move(metadata)) {}

private:
    Source<ImageMetadataInfo> metadata_;
};

}  // namespace vantrel
