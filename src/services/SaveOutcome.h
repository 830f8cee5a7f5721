#pragma once
// Where a queued save ended up, and why not where it belonged.
#include <filesystem>
#include <optional>

#include "model/EditParameters.h"
#include "services/FailureCause.h"

namespace vantrel {

enum class SaveOutcome {
    written,    // in its own place (beside the scans, or the sample roll's folder)
    keptAside,  // the roll's folder could not be written: in the roll's folder under the data folder
    failed,     // nowhere: the value exists only in the caller's memory
};

struct SaveResult {
    SaveResult(SaveOutcome outcome = SaveOutcome::written) : outcome(outcome) {}

    SaveOutcome outcome;
    // keptAside: why the own place refused it; failed: why the last place tried did.
    std::optional<FailureCause> cause;
    // Another program had changed the same fields since this one read the file:
    // its version, kept beside the one written.
    std::optional<std::filesystem::path> conflictKept;
    // The copy kept is this program's own version: the other program's, newer, stands.
    bool conflictKeptIsOurs = false;
    // A recipe's save took in fields another program had changed meanwhile: what
    // the file holds now (none when it holds the value saved).
    std::optional<EditParameters> merged;
};

}  // namespace vantrel
