#pragma once
// The batch-synchronisation dialog's rows, apart from its widgets: one row per
// switch of BatchSyncOptions, in the order they stand on screen, with where
// each stands, and when the sync button may run.
#include <array>

#include "model/BatchSyncOptions.h"

namespace vantrel::sync {

enum class Place { left, right, isolated };

struct Row {
    const char* name;  // the row's object name: "sync.<name>"
    const char* titleKey;
    const char* descriptionKey;
    bool BatchSyncOptions::*option;
    Place place;
};

// All fourteen switches, each with a visible row: the negative conversion,
// which a sync copies by default, is one of them.
inline constexpr std::array<Row, 14> kRows{{
    {"negative", "sync.negativeTitle", "sync.negativeDesc", &BatchSyncOptions::syncNegativeLab, Place::left},
    {"tone", "sync.toneTitle", "sync.toneDesc", &BatchSyncOptions::syncTone, Place::left},
    {"color", "sync.colorTitle", "sync.colorDesc", &BatchSyncOptions::syncWhiteBalance, Place::left},
    {"hsl", "sync.hslTitle", "sync.hslDesc", &BatchSyncOptions::syncHSL, Place::left},
    {"grading", "sync.gradingTitle", "sync.gradingDesc", &BatchSyncOptions::syncColorGrading, Place::left},
    {"curves", "sync.curveTitle", "sync.curveDesc", &BatchSyncOptions::syncCurves, Place::left},
    {"detail", "sync.detailTitle", "sync.detailDesc", &BatchSyncOptions::syncDetail, Place::right},
    {"vignette", "sync.vignetteTitle", "sync.vignetteDesc", &BatchSyncOptions::syncOptics, Place::right},
    {"halation", "sync.halationTitle", "sync.halationDesc", &BatchSyncOptions::syncHalation, Place::right},
    {"masks", "sync.masksTitle", "sync.masksDesc", &BatchSyncOptions::syncMasks, Place::isolated},
    {"subject", "sync.subjectBgTitle", "sync.subjectBgDesc", &BatchSyncOptions::syncSubjectMask, Place::isolated},
    {"crop", "sync.cropTitle", "sync.cropDesc", &BatchSyncOptions::syncCrop, Place::isolated},
    {"healing", "sync.healingTitle", "sync.healingDesc", &BatchSyncOptions::syncSpotHealing, Place::isolated},
    {"filmFrame", "sync.filmFrameTitle", "sync.filmFrameDesc", &BatchSyncOptions::syncFilmFrame, Place::isolated},
}};

// The options with one switch set.
inline BatchSyncOptions withSwitch(BatchSyncOptions options, bool BatchSyncOptions::*option, bool on) {
    options.*option = on;
    return options;
}

// There is somewhere to copy to and something to copy.
inline bool canSync(const BatchSyncOptions& options, int targetCount) {
    return targetCount > 0 && options.hasAnySelection();
}

}  // namespace vantrel::sync
