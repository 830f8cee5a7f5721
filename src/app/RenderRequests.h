#pragma once
// Who renders: bindings only write the recipe; the views report their edits (changed())
// and the ends of their gestures, and here alone the window turns those reports into
// render requests, which also schedule the recipe's save.
#include <QObject>

#include "viewmodel/DarkroomViewModel.h"
#include "views/panels/ToneCurveEditorView.h"

namespace vantrel {

// Each edit of `view` asks for a preview.
template <class View>
View* rendersOnChange(DarkroomViewModel& vm, View* view) {
    QObject::connect(view, &View::changed, view, [&vm] { vm.requestRender(RenderQuality::interactive); });
    return view;
}

// The curve editor alone reports its gestures: while a point is dragged each step asks for a
// preview; the drag's end (ending the interaction) asks for the final render, as does every
// other edit of the curve.
inline ToneCurveEditorView* rendersOnGesture(DarkroomViewModel& vm, ToneCurveEditorView* curve) {
    QObject::connect(curve, &ToneCurveEditorView::changed, curve, [&vm, curve] {
        vm.requestRender(curve->isDragging() ? RenderQuality::interactive : RenderQuality::final);
    });
    QObject::connect(curve, &ToneCurveEditorView::editingChanged, curve,
                     [&vm](bool editing) { editing ? vm.beginInteraction() : vm.endInteraction(); });
    return curve;
}

}  // namespace vantrel
