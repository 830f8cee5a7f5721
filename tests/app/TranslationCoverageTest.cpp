// Every text the window shows, walked in English and then in each other
// language: a text that reads the same in both, has words in it, and is no
// translation of that language, was left in English. Walked at rest and in
// each tool mode, with the parameter display and a sheet open.
#include <map>
#include <set>

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>

#include "WindowTestSupport.h"
#include "app/Sidebar.h"
#include "services/AppLanguage.h"
#include "services/StringTable.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/FittingText.h"

namespace vantrel::testing {
namespace {

// Texts shown as they stand in every language: data of the frame and the
// roll, technical names and numbers.
bool isFixedText(const QString& text) {
    static const QRegularExpression words(QStringLiteral("[A-Za-z]{3,}"));
    if (!words.match(text).hasMatch()) return true;  // numbers, signs, short marks
    static const QStringList fixed = {
        "Vantrel", "LEICA", "Summilux", "Display P3", "sRGB", "JPEG", "TIFF", "PNG", "EDR", "SDR", "ISO",
        ".tif", ".tiff", "BEFORE", "AFTER", "Master", "Film_Calibration", "LabScan", "Roll01"};
    for (const QString& f : fixed)
        if (text.contains(f)) return true;
    return false;
}

// What one widget shows: its texts and tooltips, keyed by widget and part.
using Shown = std::map<std::pair<const QObject*, int>, QString>;

void collect(QWidget& root, Shown& shown) {
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets.prepend(&root);
    for (QWidget* w : widgets) {
        if (!w->isVisibleTo(&root) && w != &root) continue;
        auto add = [&](int part, const QString& text) {
            if (!text.trimmed().isEmpty()) shown[{w, part}] = text;
        };
        if (auto* f = qobject_cast<FittingLabel*>(w)) add(0, f->fullText());
        else if (auto* l = qobject_cast<QLabel*>(w)) add(0, l->text());
        else if (auto* b = qobject_cast<QAbstractButton*>(w)) add(0, b->text());
        else if (auto* e = qobject_cast<ElidedLabel*>(w)) add(0, e->text());
        if (auto* e = qobject_cast<QLineEdit*>(w)) add(1, e->placeholderText());
        add(2, w->toolTip());
        int part = 3;
        for (QAction* action : w->actions()) add(part++, action->text());
    }
}

class TranslationCoverageTest : public ShownWindowTest {};

TEST_F(TranslationCoverageTest, NoViewLeavesATextInEnglish) {
    const StringTable& table = StringTable::builtIn();
    window->resize(MainWindow::kDefaultWidth, MainWindow::kDefaultHeight);
    const std::vector<std::function<void()>> states = {
        [&] {},
        [&] { vm().toggleCropMode(); },
        [&] {
            vm().toggleCropMode();
            vm().toggleRetouchMode();
        },
        [&] {
            vm().toggleRetouchMode();
            vm().toggleMaskMode();
            vm().addMask(MaskKind::radial);
        },
        [&] {
            vm().toggleMaskMode();
            vm().setIsShowingExportDialog(true);
        },
        [&] {
            vm().setIsShowingExportDialog(false);
            window->sidebarView()->setTab(Sidebar::Tab::snapshots);
            vm().setIsShowingBatchSyncSheet(true);
        },
        [&] {
            vm().setIsShowingBatchSyncSheet(false);
            vm().setIsShowingSavePresetSheet(true);
        },
    };
    // The states in turn, each walked in every language (the window's own texts and its open sheet's).
    for (std::size_t i = 0; i < states.size(); ++i) {
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        states[i]();
        settle();
        auto walkAll = [&] {
            settle();
            Shown shown;
            collect(*window, shown);
            for (QDialog* sheet : window->findChildren<QDialog*>())
                if (sheet->isVisible()) collect(*sheet, shown);
            for (QAction* menu : window->menuBar()->actions()) shown[{menu, 0}] = menu->text();
            return shown;
        };
        const Shown english = walkAll();
        for (AppLanguage language : kAllAppLanguages) {
            if (language == AppLanguage::en) continue;
            LocalizationManager::shared().setLanguage(language);
            const Shown translated = walkAll();
            // This language's own texts, their arguments matching anything.
            std::set<std::string> ownTexts;
            std::vector<QRegularExpression> ownForms;
            for (const std::string& key : table.keys()) {
                const auto t = table.text(key, language);
                if (!t) continue;
                ownTexts.insert(std::string(*t));
                if (t->find('%') == std::string_view::npos) continue;
                QString form = QRegularExpression::escape(QString::fromUtf8(t->data(), qsizetype(t->size())));
                form.replace(QRegularExpression(QStringLiteral(R"(\\%[^a-zA-Z@]*[a-zA-Z@])")), QStringLiteral(".*"));
                ownForms.emplace_back(QRegularExpression::anchoredPattern(form));
            }
            for (const auto& [where, text] : translated) {
                auto it = english.find(where);
                if (it == english.end() || it->second != text || isFixedText(text)) continue;
                // The same word in both languages.
                if (ownTexts.contains(text.toStdString()) ||
                    std::any_of(ownForms.begin(), ownForms.end(), [&](const auto& f) { return f.match(text).hasMatch(); }))
                    continue;
                ADD_FAILURE() << rawValue(language) << ", state " << i << ": "
                              << (where.first->objectName().isEmpty() ? where.first->metaObject()->className()
                                                                       : where.first->objectName().toStdString())
                              << " still reads \"" << text.toStdString() << "\"";
            }
        }
    }
    vm().setIsShowingSavePresetSheet(false);
    settle();
}

}  // namespace
}  // namespace vantrel::testing
