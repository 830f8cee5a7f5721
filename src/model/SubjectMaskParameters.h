#pragma once
// Separate grading of the detected subject and of its background. The mask
// itself is made on demand; the recipe keeps only these settings.
#include <cmath>

#include <nlohmann/json_fwd.hpp>

namespace vantrel {

struct SubjectAdjustment {
    double exposure = 0;
    double contrast = 1;
    double temperature = 0;
    double saturation = 1;
    double clarity = 0;

    static const SubjectAdjustment& defaultValue();

    bool isIdentity() const {
        return std::abs(exposure) < 0.001 && std::abs(contrast - 1) < 0.001 && std::abs(temperature) < 1.0 &&
               std::abs(saturation - 1) < 0.001 && std::abs(clarity) < 0.001;
    }

    bool operator==(const SubjectAdjustment&) const = default;
};

struct BackgroundAdjustment {
    double exposure = 0;
    double contrast = 1;
    double temperature = 0;
    double saturation = 1;
    double blurRadius = 0;  // Gaussian sigma in pixels

    static const BackgroundAdjustment& defaultValue();

    // A blur below 0.1 pixel (or a negative one) is no blur.
    bool isIdentity() const {
        return std::abs(exposure) < 0.001 && std::abs(contrast - 1) < 0.001 && std::abs(temperature) < 1.0 &&
               std::abs(saturation - 1) < 0.001 && blurRadius < 0.1;
    }

    bool operator==(const BackgroundAdjustment&) const = default;
};

struct SubjectMaskParameters {
    bool isEnabled = false;
    bool hasDetectedSubject = false;
    bool isInverted = false;  // swaps which side each adjustment applies to
    SubjectAdjustment subject{};
    BackgroundAdjustment background{};

    static const SubjectMaskParameters& defaultValue();

    // Without both switches the stage does nothing, whatever the corrections say.
    bool isIdentity() const {
        if (!isEnabled || !hasDetectedSubject) return true;
        return subject.isIdentity() && background.isIdentity();
    }

    bool operator==(const SubjectMaskParameters&) const = default;
};

void to_json(nlohmann::json& j, const SubjectAdjustment& adjustment);
void from_json(const nlohmann::json& j, SubjectAdjustment& adjustment);
void to_json(nlohmann::json& j, const BackgroundAdjustment& adjustment);
void from_json(const nlohmann::json& j, BackgroundAdjustment& adjustment);
void to_json(nlohmann::json& j, const SubjectMaskParameters& mask);
void from_json(const nlohmann::json& j, SubjectMaskParameters& mask);

}  // namespace vantrel
