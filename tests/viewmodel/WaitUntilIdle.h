#pragma once
// Waiting until a view model has done everything it was going to do, rather
// than for a time that is long enough on a quiet machine.
#include <QCoreApplication>
#include <QTest>

#include "viewmodel/DarkroomViewModel.h"

namespace vantrel::testing {

// Until nothing is under way or waiting for a pause and every result handed
// back to the GUI thread has arrived (and whatever it queued in turn).
inline bool waitUntilIdle(DarkroomViewModel& vm, int ms = 10000) {
    const auto quiet = [&] {
        if (!vm.isIdle()) return false;
        QCoreApplication::sendPostedEvents();
        return vm.isIdle();
    };
    return QTest::qWaitFor(quiet, ms) && QTest::qWaitFor(quiet, ms);
}

}  // namespace vantrel::testing
