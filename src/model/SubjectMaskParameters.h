#pragma once
// Separate grading of the detected subject and of its background. The mask
// itself is made on demand; the recipe keeps only these settings.
#include <array>

#include <nlohmann/json_fwd.hpp>

#include "model/ScalarParameter.h"

namespace vantrel {

struct SubjectAdjustment {
    double exposure = 0;
    double contrast = 1;
    double temperature = 0;
    double saturation = 1;
    double clarity = 0;

    static const SubjectAdjustment& defaultValue();

    bool isIdentity() const;

    bool operator==(const SubjectAdjustment&) const = default;
};

struct BackgroundAdjustment {
    double exposure = 0;
    double contrast = 1;
    double temperature = 0;
    double saturation = 1;
    double blurRadius = 0;  // Gaussian sigma in pixels

    static const BackgroundAdjustment& defaultValue();

    bool isIdentity() const;

    bool operator==(const BackgroundAdjustment&) const = default;
};

// Temperatures are offsets in kelvin from the reference white, so they get a coarser tolerance.
template <>
struct ParameterTable<SubjectAdjustment> {
    using S = SubjectAdjustment;
    static constexpr std::array<ScalarParameter<S>, 5> rows{{
        {.key = "exposure", .member = &S::exposure, .lower = -2, .upper = 2, .neutral = 0, .unit = "EV",
         .label = "subjectMask.subjectExp"},
        {.key = "contrast", .member = &S::contrast, .lower = 0.5, .upper = 1.5, .neutral = 1,
         .label = "inspector.contrast"},
        {.key = "temperature", .member = &S::temperature, .lower = -1000, .upper = 1000, .neutral = 0,
         .tolerance = 1.0, .step = 10, .format = "%.0f", .unit = "K", .label = "subjectMask.subjectWarmth",
         .accent = 0xFF9500},
        {.key = "saturation", .member = &S::saturation, .lower = 0, .upper = 2, .neutral = 1,
         .label = "inspector.saturation"},
        {.key = "clarity", .member = &S::clarity, .lower = -1, .upper = 1, .neutral = 0,
         .label = "subjectMask.subjectClarity"},
    }};
};

template <>
struct ParameterTable<BackgroundAdjustment> {
    using B = BackgroundAdjustment;
    static constexpr std::array<ScalarParameter<B>, 5> rows{{
        {.key = "exposure", .member = &B::exposure, .lower = -2, .upper = 2, .neutral = 0, .unit = "EV",
         .label = "subjectMask.bgExp"},
        // A blur below 0.1 pixel (or a negative one) is no blur.
        {.key = "blurRadius", .member = &B::blurRadius, .lower = 0, .upper = 25, .neutral = 0, .tolerance = 0.1,
         .onlyAbove = true, .step = 0.5, .format = "%.1f", .unit = "px", .label = "subjectMask.bgBlur",
         .accent = 0xAF52DE},
        {.key = "saturation", .member = &B::saturation, .lower = 0, .upper = 2, .neutral = 1,
         .label = "subjectMask.bgSaturation"},
        {.key = "temperature", .member = &B::temperature, .lower = -1000, .upper = 1000, .neutral = 0,
         .tolerance = 1.0, .step = 10, .format = "%.0f", .unit = "K", .label = "subjectMask.bgWarmth",
         .accent = 0x32ADE6},
        {.key = "contrast", .member = &B::contrast, .lower = 0.5, .upper = 1.5, .neutral = 1,
         .label = "subjectMask.bgContrast"},
    }};
};

inline bool SubjectAdjustment::isIdentity() const { return hasNeutralScalars(*this); }
inline bool BackgroundAdjustment::isIdentity() const { return hasNeutralScalars(*this); }

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
