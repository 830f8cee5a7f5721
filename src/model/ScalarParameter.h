#pragma once
// Each scalar setting of a record declared once: its stored key and member, the range and step
// its slider offers, the value that changes nothing and how near to it still counts as
// nothing, and how its slider shows it. A record lists its settings in a ParameterTable
// specialised right after it (as EnumTable does for enumerations); the record's neutrality
// tests, every panel's sliders, resets and change tests and the pipeline's guards are all
// read from that one table.
//
// Adding a slider to one of the inspector's sections is one row with its `group` and `label`;
// the section's batch-sync switch carries it too.
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vantrel {

// The inspector section a setting's slider sits in and is reset with; none for settings the
// inspector does not show among its own sliders.
enum class ParameterGroup { none, tone, color, detail, vignette };

template <class Record>
struct ScalarParameter {
    std::string_view key;              // the stored key
    double Record::*member = nullptr;
    double lower = 0;                  // the slider's range
    double upper = 1;
    double neutral = 0;                // the value that leaves the picture as it is; for a setting
                                       // that shapes an effect rather than sets its strength, its default
    std::optional<double> reset{};     // the default and the slider's reset, when not neutral
    double tolerance = 0.001;          // this close to neutral still changes nothing
    bool onlyAbove = false;            // values below neutral change nothing either
    double step = 0.01;                // the slider's step
    const char* format = "%.2f";       // the value text
    const char* unit = "";             // shown after the value; empty shows nothing
    bool percent = false;              // a fraction read as a whole percentage (0.5 reads "50%")
    const char* label = "";            // the text key of the slider's title
    ParameterGroup group = ParameterGroup::none;
    ParameterGroup syncedWith{};       // the section whose batch-sync switch carries a setting
                                       // that has no section of its own
    std::uint32_t accent = 0;          // the slider's colour as 0xRRGGBB; 0 takes the theme's

    double resetValue() const { return reset.value_or(neutral); }
    // The section whose batch-sync switch carries the setting: its own, or the one it names.
    constexpr ParameterGroup syncGroup() const { return group != ParameterGroup::none ? group : syncedWith; }

    // Within the tolerance of neutral; not a number is not. The records' own neutrality tests.
    bool isNeutral(double value) const {
        return onlyAbove ? value - neutral < tolerance : std::abs(value - neutral) < tolerance;
    }
    // Further than `threshold` from neutral; not a number is not. Stages pass thresholds of
    // their own, below which their effect cannot be seen.
    bool isChangedBeyond(double value, double threshold) const {
        return onlyAbove ? value - neutral > threshold : std::abs(value - neutral) > threshold;
    }
    // Further than the tolerance from neutral: what shows a section's reset. It differs from
    // !isNeutral only at exactly the tolerance and for not a number.
    bool isChanged(double value) const { return isChangedBeyond(value, tolerance); }
    // At least the tolerance from neutral: the film effects run from exactly their threshold on.
    // It differs from !isNeutral only for not a number, which never reaches.
    bool reaches(double value) const {
        return onlyAbove ? value - neutral >= tolerance : std::abs(value - neutral) >= tolerance;
    }
};

// Specialised after each record with scalar settings:
//   template <> struct ParameterTable<R> { static constexpr std::array<ScalarParameter<R>, N> rows{...}; };
template <class Record>
struct ParameterTable;

// The row of `member`, looked up while compiling (a member without a row does not compile).
template <class Record>
consteval const ScalarParameter<Record>& parameterOf(double Record::*member) {
    for (const ScalarParameter<Record>& row : ParameterTable<Record>::rows)
        if (row.member == member) return row;
    throw "no row for this member";
}

// Whether every scalar setting of the record is within its tolerance of neutral.
template <class Record>
bool hasNeutralScalars(const Record& record) {
    for (const ScalarParameter<Record>& row : ParameterTable<Record>::rows)
        if (!row.isNeutral(record.*row.member)) return false;
    return true;
}

}  // namespace vantrel
