#pragma once
// Which groups of the current recipe are copied onto other frames of the roll.
// Grain, light leaks, dust and the highlight boost are never copied.
#include <nlohmann/json_fwd.hpp>

namespace vantrel {

struct EditParameters;

struct BatchSyncOptions {
    // The defaults are the recommended selection.
    bool syncNegativeLab = true;
    bool syncTone = true;          // the tone section's sliders and brightness
    bool syncWhiteBalance = true;  // the colour section's sliders
    bool syncHSL = true;
    bool syncCurves = true;
    bool syncDetail = true;  // the detail section's sliders
    bool syncOptics = true;  // the vignette section's sliders
    bool syncHalation = true;
    bool syncFilmFrame = false;
    bool syncColorGrading = true;
    bool syncMasks = false;
    bool syncSubjectMask = false;
    bool syncCrop = false;
    bool syncSpotHealing = false;

    static BatchSyncOptions recommended() { return {}; }

    // All fourteen switches in the order the sync sheet lists them (colour
    // grading fifth, unlike the field order).
    static BatchSyncOptions make(bool negativeLab, bool tone, bool whiteBalance, bool hsl, bool colorGrading,
                                 bool curves, bool detail, bool optics, bool halation, bool filmFrame, bool masks,
                                 bool subjectMask, bool crop, bool spotHealing);

    void selectAll();
    void deselectAll();
    void resetToRecommended() { *this = recommended(); }
    bool hasAnySelection() const;

    // Copies the chosen groups from `source` onto `target`, each replacing the
    // target's group whole; every other field of `target` stays as it is.
    void apply(const EditParameters& source, EditParameters& target) const;

    bool operator==(const BatchSyncOptions&) const = default;
};

// Reading is lenient: a missing or null key takes its recommended value.
void to_json(nlohmann::json& j, const BatchSyncOptions& options);
void from_json(const nlohmann::json& j, BatchSyncOptions& options);

}  // namespace vantrel
