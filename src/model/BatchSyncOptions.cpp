#include "model/BatchSyncOptions.h"

#include <algorithm>
#include <array>

#include "model/EditParameters.h"
#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using B = BatchSyncOptions;

constexpr auto schema = lenientRecord(
    field("syncNegativeLab", &B::syncNegativeLab), field("syncTone", &B::syncTone),
    field("syncWhiteBalance", &B::syncWhiteBalance), field("syncHSL", &B::syncHSL), field("syncCurves", &B::syncCurves),
    field("syncDetail", &B::syncDetail), field("syncOptics", &B::syncOptics), field("syncHalation", &B::syncHalation),
    field("syncFilmFrame", &B::syncFilmFrame), field("syncColorGrading", &B::syncColorGrading),
    field("syncMasks", &B::syncMasks), field("syncSubjectMask", &B::syncSubjectMask), field("syncCrop", &B::syncCrop),
    field("syncSpotHealing", &B::syncSpotHealing));

using Copy = void (*)(const EditParameters&, EditParameters&);

struct Group {
    bool B::*isOn;
    Copy copy = nullptr;                            // the recipe fields it carries over,
    ParameterGroup section = ParameterGroup::none;  // or the scalar rows synchronised with this section
};

// Each switch and what it carries over. The scalar switches read the parameter table, so a new
// slider of a section travels with its section.
constexpr std::array<Group, 14> groups{{
    {&B::syncNegativeLab, [](const EditParameters& s, EditParameters& t) { t.negativeLab = s.negativeLab; }},
    {&B::syncTone, nullptr, ParameterGroup::tone},
    {&B::syncWhiteBalance, nullptr, ParameterGroup::color},
    {&B::syncHSL, [](const EditParameters& s, EditParameters& t) { t.hslAdjustments = s.hslAdjustments; }},
    {&B::syncCurves, [](const EditParameters& s, EditParameters& t) { t.curvePoints = s.curvePoints; }},
    {&B::syncDetail, nullptr, ParameterGroup::detail},
    {&B::syncOptics, nullptr, ParameterGroup::vignette},
    {&B::syncHalation, [](const EditParameters& s, EditParameters& t) { t.halation = s.halation; }},
    {&B::syncFilmFrame, [](const EditParameters& s, EditParameters& t) { t.filmFrame = s.filmFrame; }},
    {&B::syncColorGrading, [](const EditParameters& s, EditParameters& t) { t.colorGrading = s.colorGrading; }},
    {&B::syncMasks, [](const EditParameters& s, EditParameters& t) { t.masks = s.masks; }},
    {&B::syncSubjectMask, [](const EditParameters& s, EditParameters& t) { t.subjectMask = s.subjectMask; }},
    {&B::syncCrop, [](const EditParameters& s, EditParameters& t) { t.crop = s.crop; }},
    {&B::syncSpotHealing, [](const EditParameters& s, EditParameters& t) { t.spotHealing = s.spotHealing; }},
}};

}  // namespace

BatchSyncOptions BatchSyncOptions::make(bool negativeLab, bool tone, bool whiteBalance, bool hsl, bool colorGrading,
                                        bool curves, bool detail, bool optics, bool halation, bool filmFrame,
                                        bool masks, bool subjectMask, bool crop, bool spotHealing) {
    return {negativeLab, tone,      whiteBalance, hsl,   curves,      detail, optics, halation,
            filmFrame,   colorGrading, masks,     subjectMask, crop, spotHealing};
}

void BatchSyncOptions::selectAll() {
    for (const Group& g : groups) this->*g.isOn = true;
}

void BatchSyncOptions::deselectAll() {
    for (const Group& g : groups) this->*g.isOn = false;
}

bool BatchSyncOptions::hasAnySelection() const {
    return std::any_of(groups.begin(), groups.end(), [&](const Group& g) { return this->*g.isOn; });
}

void BatchSyncOptions::apply(const EditParameters& source, EditParameters& target) const {
    if (&source == &target) return;
    for (const Group& g : groups) {
        if (!(this->*g.isOn)) continue;
        if (g.copy) g.copy(source, target);
        if (g.section == ParameterGroup::none) continue;
        for (const ScalarParameter<EditParameters>& row : ParameterTable<EditParameters>::rows)
            if (row.syncGroup() == g.section) target.*row.member = source.*row.member;
    }
}

void to_json(nlohmann::json& j, const BatchSyncOptions& options) { writeRecord(j, options, schema); }
void from_json(const nlohmann::json& j, BatchSyncOptions& options) { readRecord(j, options, schema); }

}  // namespace vantrel
