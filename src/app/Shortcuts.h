#pragma once
// The window's keyboard shortcuts: one binding per key. Digits rate (0 clears),
// 6 to 9 toggle the red, yellow, green and blue labels, p and x toggle pick and
// reject, u clears the flag, [ and ] move between frames, \ holds the unedited
// frame (while viewing, not in a tool), c enters and leaves crop mode, z toggles
// the zoom, a levels the horizon, i shows the shooting information; Ctrl+C /
// Ctrl+V copy and paste settings, Ctrl+S opens the save-recipe sheet and
// Ctrl+Shift+S saves a numbered snapshot; in retouch mode Delete and Backspace
// remove the selected spot. A key typed into a text field stays there.
#include <functional>
#include <string>
#include <vector>

#include <QKeySequence>

#include "model/PhotoCullingRecord.h"

class QWidget;

namespace vantrel {

class DarkroomViewModel;

// The name of the next snapshot the shortcut saves: the default name and
// the number of the current frame's snapshots plus one.
std::string nextSnapshotName(const DarkroomViewModel& vm);
// Sets `label`, or clears it when the selected frame already has it.
void toggleColorLabel(DarkroomViewModel& vm, ColorLabel label);

class Shortcuts {
public:
    // Installs the shortcuts on `window`; `selectionMovedByKey` runs after a
    // key stepped to another frame.
    static void install(QWidget& window, DarkroomViewModel& vm, std::function<void()> selectionMovedByKey = {});
    // Every bound key sequence, in a fixed order (tests).
    static std::vector<QKeySequence> keys();
};

}  // namespace vantrel
