#pragma once
// Where a queued save ended up.
namespace vantrel {

enum class SaveOutcome {
    written,    // in its own place (beside the scans, or the sample roll's folder)
    keptAside,  // the roll's folder could not be written: in the roll's folder under the data folder
    failed,     // nowhere: the value exists only in the caller's memory
};

}  // namespace vantrel
