#include "app/Shortcuts.h"

#include <functional>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextEdit>
#include <QWidget>

#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

namespace {

struct KeyBinding {
    QKeySequence key;
    std::function<void(DarkroomViewModel&)> action;
    bool autoRepeat = true;
    // While false the key is not taken at all, and goes where it would without the shortcut.
    bool (*activeWhen)(const DarkroomViewModel&) = nullptr;
    bool movesSelection = false;  // steps to another frame of the roll
};

const std::vector<KeyBinding>& bindings() {
    using VM = DarkroomViewModel;
    static const std::vector<KeyBinding> all = [] {
        std::vector<KeyBinding> list;
        for (int rating = 0; rating <= 5; ++rating)
            list.push_back({QKeySequence(Qt::Key_0 + rating), [rating](VM& vm) { vm.setRating(rating); }});
        const ColorLabel labels[] = {ColorLabel::red, ColorLabel::yellow, ColorLabel::green, ColorLabel::blue};
        for (int i = 0; i < 4; ++i)
            list.push_back({QKeySequence(Qt::Key_6 + i), [label = labels[i]](VM& vm) { toggleColorLabel(vm, label); }});
        list.push_back({QKeySequence(Qt::Key_P), [](VM& vm) { vm.togglePick(); }});
        list.push_back({QKeySequence(Qt::Key_X), [](VM& vm) { vm.toggleReject(); }});
        list.push_back({QKeySequence(Qt::Key_U), [](VM& vm) { vm.setFlag(PickStatus::unflagged); }});
        list.push_back({QKeySequence(Qt::Key_BracketLeft), [](VM& vm) { vm.selectPreviousPhoto(); }, true, nullptr, true});
        list.push_back({QKeySequence(Qt::Key_BracketRight), [](VM& vm) { vm.selectNextPhoto(); }, true, nullptr, true});
        list.push_back({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
                        [](VM& vm) { vm.saveSnapshot(nextSnapshotName(vm)); }});
        // A held key must not flicker between the original and the grade. Only the
        // viewing canvas compares; a tool shows its own picture and leaves the key alone.
        list.push_back({QKeySequence(Qt::Key_Backslash),
                        [](VM& vm) { vm.setIsHoldingOriginal(!vm.isHoldingOriginal()); }, false,
                        [](const VM& vm) { return vm.toolMode() == ToolMode::viewing; }});
        // Like the top-bar button, so the preview is shown uncropped while cropping.
        list.push_back({QKeySequence(Qt::Key_C), [](VM& vm) { vm.toggleCropMode(); }});
        list.push_back({QKeySequence(Qt::Key_Z), [](VM& vm) { vm.toggleZoom(); }});
        list.push_back({QKeySequence(Qt::Key_A), [](VM& vm) { vm.autoLevelHorizon(); }});
        list.push_back({QKeySequence(Qt::CTRL | Qt::Key_C), [](VM& vm) { vm.copyParameters(); }});
        list.push_back({QKeySequence(Qt::CTRL | Qt::Key_V), [](VM& vm) { vm.pasteParameters(); }});
        list.push_back({QKeySequence(Qt::CTRL | Qt::Key_S), [](VM& vm) { vm.setIsShowingSavePresetSheet(true); }});
        list.push_back({QKeySequence(Qt::Key_I), [](VM& vm) { vm.setIsInfoMatrixVisible(!vm.isInfoMatrixVisible()); }});
        // What the healing bar's trash button promises; one spot per press.
        for (Qt::Key key : {Qt::Key_Delete, Qt::Key_Backspace})
            list.push_back({QKeySequence(key), [](VM& vm) { vm.removeSelectedHealingSpot(); }, false,
                            [](const VM& vm) { return vm.isRetouchMode(); }});
        return list;
    }();
    return all;
}

bool typingInTextField() {
    QWidget* focus = QApplication::focusWidget();
    return qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) ||
           qobject_cast<QPlainTextEdit*>(focus) || qobject_cast<QAbstractSpinBox*>(focus);
}

}  // namespace

std::string nextSnapshotName(const DarkroomViewModel& vm) {
    return L10n::tr("snapshot.defaultName") + ' ' + std::to_string(vm.snapshots().size() + 1);
}

void toggleColorLabel(DarkroomViewModel& vm, ColorLabel label) {
    vm.setColorLabel(vm.selectedCullingRecord().colorLabel == label ? ColorLabel::none : label);
}

void Shortcuts::install(QWidget& window, DarkroomViewModel& vm, std::function<void()> selectionMovedByKey) {
    for (const KeyBinding& binding : bindings()) {
        auto* shortcut = new QShortcut(binding.key, &window);
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setAutoRepeat(binding.autoRepeat);
        const bool oneKey = (binding.key[0].keyboardModifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        std::function<void()> moved = binding.movesSelection ? selectionMovedByKey : std::function<void()>();
        QObject::connect(shortcut, &QShortcut::activated, &window, [&vm, action = binding.action, oneKey, moved] {
            // A text field normally keeps its keys; this covers the ones it lets through.
            if (oneKey && typingInTextField()) return;
            action(vm);
            if (moved) moved();
        });
        if (auto activeWhen = binding.activeWhen) {
            auto follow = [shortcut, activeWhen, &vm] { shortcut->setEnabled(activeWhen(vm)); };
            follow();
            QObject::connect(&vm, &DarkroomViewModel::stateChanged, shortcut, follow);
        }
    }
}

std::vector<QKeySequence> Shortcuts::keys() {
    std::vector<QKeySequence> keys;
    for (const KeyBinding& binding : bindings()) keys.push_back(binding.key);
    return keys;
}

}  // namespace vantrel
