#include "views/kit/ScreenColorSampler.h"

#include <QMetaObject>

namespace vantrel {

void ScreenColorSampler::deliver(Completion done, std::optional<SampledColor> colour) {
    if (!done) return;
    QMetaObject::invokeMethod(
        this, [done = std::move(done), colour] { done(colour); }, Qt::QueuedConnection);
}

}  // namespace vantrel
