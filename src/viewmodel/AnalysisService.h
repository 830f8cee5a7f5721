#pragma once
// The image analyses the view model starts on a frame: the tilt of its horizon
// and the mask of its subject. The application passes EngineAnalysisService;
// tests pass a fake.
#include <optional>

#include "engine/core/Image.h"
#include "engine/io/LoadedPhoto.h"

namespace vantrel {

class AnalysisService {
public:
    virtual ~AnalysisService() = default;

    // Both are called on a worker thread and may block until the analysis ends.
    // The angle in degrees that levels the frame, or nothing.
    virtual std::optional<double> detectHorizonAngle(const LoadedPhoto& photo) = 0;
    // A grey mask of the frame's subject, or nothing when none stands out.
    virtual std::optional<Image> detectSubject(const LoadedPhoto& photo) = 0;
};

// Both analyses measure the frame's proxy image with the engine's detectors.
class EngineAnalysisService final : public AnalysisService {
public:
    std::optional<double> detectHorizonAngle(const LoadedPhoto& photo) override;
    std::optional<Image> detectSubject(const LoadedPhoto& photo) override;
};

}  // namespace vantrel
