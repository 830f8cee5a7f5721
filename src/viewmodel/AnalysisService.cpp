#include "viewmodel/AnalysisService.h"

#include "engine/analysis/HorizonDetector.h"
#include "engine/analysis/SubjectSegmentationEngine.h"

namespace vantrel {

std::optional<double> EngineAnalysisService::detectHorizonAngle(const LoadedPhoto& photo) {
    return HorizonDetector::detectHorizonAngle(photo.proxyImage()).get();
}

std::optional<Image> EngineAnalysisService::detectSubject(const LoadedPhoto& photo) {
    return SubjectSegmentationEngine::shared().generateMask(photo.proxyImage()).get();
}

}  // namespace vantrel
