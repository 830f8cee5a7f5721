#include "app/RecipeList.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/StandardColors.h"
#include "views/kit/FittingText.h"
#include "views/kit/Layouts.h"
#include "views/kit/Icons.h"
#include "viewmodel/DarkroomViewModel.h"
#include "viewmodel/FileDialogs.h"

namespace vantrel {

namespace {

QLabel* iconLabel(const char* symbol, int size) {
    auto* label = new QLabel;
    label->setPixmap(symbolIcon(symbol).pixmap(size, size));
    return label;
}

// A clickable recipe row that offers its own context menu.
class RecipeRow final : public QWidget {
public:
    std::function<void()> onClick;
    std::function<void(const QPoint&)> onMenu;

protected:
    void mousePressEvent(QMouseEvent* event) override { event->setAccepted(event->button() == Qt::LeftButton); }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick) onClick();
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        if (onMenu) onMenu(event->globalPos());
    }
    void paintEvent(QPaintEvent*) override;
};

void RecipeRow::paintEvent(QPaintEvent*) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

}  // namespace

std::string recipeFileName(const FilmPreset& preset) {
    std::string name = preset.name;
    for (char& c : name)
        if (c == '/' || c == '\\' || c == ':' || c == '\0') c = '-';
    if (name.empty() || name == "." || name == "..") name = "Recipe";
    return name + ".vantrelrecipe";
}

RecipeList::RecipeList(DarkroomViewModel& vm, std::shared_ptr<FileDialogs> dialogs,
                       std::shared_ptr<PanelFolders> folders, QWidget* parent)
    : QWidget(parent), vm_(vm), dialogs_(std::move(dialogs)), folders_(std::move(folders)) {
    column_ = new QVBoxLayout(this);
    column_->setContentsMargins(10, 0, 10, 0);
    column_->setSpacing(0);
    refresh();
}

QWidget* RecipeList::header(const char* symbol, const char* key, int count, bool accent) {
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(4);
    row->addWidget(iconLabel(symbol, 10));
    auto* title = new FittingLabel;
    title->setFullText(localized(key));
    title->setStyleSheet(DarkroomTheme::textStyle(DarkroomTheme::TextSize::small, QFont::Bold,
                                                  accent ? DarkroomTheme::accent() : standardColor(StandardColor::SecondaryText)));
    row->addWidget(title);
    row->addStretch(1);
    auto* badge = new QLabel(QString::number(count));
    badge->setObjectName(QStringLiteral("badge"));
    badge->setStyleSheet(DarkroomTheme::badgeStyle());
    row->addWidget(badge);
    return header;
}

QWidget* RecipeList::row(const FilmPreset& preset, bool custom) {
    const bool active = vm_.activePresetID() && *vm_.activePresetID() == preset.id;
    auto* row = new RecipeRow;
    row->setObjectName(QString::fromStdString((custom ? "custom:" : "classic:") + preset.id));
    row->setProperty("active", active);
    row->setAttribute(Qt::WA_StyledBackground);
    row->setStyleSheet(DarkroomTheme::cardStyle(row->objectName().replace(':', '_'), active));
    row->setObjectName(row->objectName().replace(':', '_'));
    auto* line = flatRow(0, row);

    auto* text = new QVBoxLayout;
    text->setContentsMargins(8, 8, 8, 8);
    text->setSpacing(3);
    auto* first = flatRow(4);
    if (custom) first->addWidget(iconLabel("star.fill", 9));
    const QString nameText = QString::fromStdString(preset.localizedName());
    QLabel* name = nullptr;
    if (custom) {
        // A custom name keeps to one line, elided; a card's name wraps.
        auto* line = new FittingLabel;
        line->setFullText(nameText);
        name = line;
    } else {
        name = new QLabel(nameText);
        name->setWordWrap(true);
    }
    name->setStyleSheet(DarkroomTheme::textStyle(DarkroomTheme::TextSize::label, active ? QFont::Bold : QFont::Medium,
                                                 active ? QColor(Qt::white) : standardColor(StandardColor::PrimaryText)));
    first->addWidget(name, 1);
    if (active) {
        auto* mark = iconLabel("checkmark", 10);
        mark->setObjectName(QStringLiteral("activeMark"));
        first->addWidget(mark);
    }
    text->addLayout(first);
    const std::string subtitle = preset.localizedSubtitle();
    if (!subtitle.empty()) {
        auto* second = new FittingLabel;
        second->setMaximumLines(2);
        second->setFullText(QString::fromStdString(subtitle));
        second->setStyleSheet(DarkroomTheme::textStyle(DarkroomTheme::TextSize::caption, QFont::Normal,
                                                       active ? whiteAt(0.8) : standardColor(StandardColor::SecondaryText)));
        text->addWidget(second);
    }
    line->addLayout(text, 1);
    row->onClick = [this, preset] { vm_.applyPreset(preset); };

    if (custom) {
        auto* remove = new QPushButton(symbolIcon("trash"), {});
        remove->setObjectName(QStringLiteral("delete"));
        remove->setFlat(true);
        remove->setToolTip(localized("preset.deleteAction"));
        remove->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 8px 8px 8px 0; }"));
        connect(remove, &QPushButton::clicked, this, [this, preset] { vm_.deleteCustomPreset(preset); });
        line->addWidget(remove);
        row->onMenu = [this, row, preset](const QPoint& at) {
            QMenu* menu = contextMenuFor(preset, row);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(at);
        };
    }
    return row;
}

QMenu* RecipeList::contextMenuFor(const FilmPreset& preset, QWidget* parent) {
    auto* menu = new QMenu(parent);
    connect(menu->addAction(localized("preset.applyToCurrent")), &QAction::triggered, this,
            [this, preset] { vm_.applyPreset(preset); });
    connect(menu->addAction(localized("preset.exportRecipeFile")), &QAction::triggered, this,
            [this, preset] { exportRecipeFile(preset); });
    connect(menu->addAction(localized("preset.revealInFinder")), &QAction::triggered, this,
            [this] { vm_.revealPresetsFolder(); });
    menu->addSeparator();
    connect(menu->addAction(symbolIcon("trash"), localized("preset.deleteAction")), &QAction::triggered, this,
            [this, preset] { vm_.deleteCustomPreset(preset); });
    return menu;
}

void RecipeList::exportRecipeFile(FilmPreset preset) {
    const std::optional<std::filesystem::path> destination = dialogs_->chooseSaveLocation(
        localized("preset.exportPanelTitle").toStdString(),
        folders_->startFolder(PanelKind::recipes, vm_.currentFolderURL()), recipeFileName(preset));
    if (!destination) return;
    // Only a folder written into is where the next recipe panel opens.
    if (vm_.exportRecipe(preset.id, *destination))
        folders_->remember(PanelKind::recipes, destination->parent_path());
}

void RecipeList::refresh() {
    // Rebuilt whole when what it shows changed: the lists are short and keep no
    // state. A row applies the recipe it was built with, so a recipe stored anew
    // (the same name, other settings) rebuilds it too.
    std::string shown = vm_.activePresetID().value_or("") + '\n' + localized("sidebar.customRecipes").toStdString();
    for (const auto* list : {&vm_.customPresets(), &vm_.presets()})
        for (const FilmPreset& preset : *list)
            shown += '\n' + preset.id + '\t' + preset.localizedName() + '\t' + preset.localizedSubtitle();
    if (content_ && shown == shown_ && vm_.customPresets() == shownCustom_) return;
    shown_ = std::move(shown);
    shownCustom_ = vm_.customPresets();
    if (content_) {
        content_->hide();
        content_->setParent(nullptr);  // out of the tree now, freed once its events are done
        content_->deleteLater();
    }
    content_ = new QWidget;
    auto* stack = flatColumn(14, content_);

    auto* customSection = flatColumn(6);
    const std::vector<FilmPreset>& custom = vm_.customPresets();
    customSection->addWidget(header("star.fill", "sidebar.customRecipes", int(custom.size()), true));
    if (custom.empty()) {
        auto* empty = new QLabel(localized("sidebar.noCustomRecipes"));
        empty->setObjectName(QStringLiteral("noCustomRecipes"));
        empty->setAlignment(Qt::AlignCenter);
        empty->setWordWrap(true);
        empty->setStyleSheet(DarkroomTheme::secondaryTextStyle(DarkroomTheme::TextSize::small, QFont::Medium) +
                             QStringLiteral(" padding: 10px; background: %1; border: 1px dashed %2; border-radius: 6px;")
                                 .arg(DarkroomTheme::css(whiteAt(0.02)),
                                      DarkroomTheme::css(DarkroomTheme::faintLine())));
        customSection->addWidget(empty);
    }
    for (const FilmPreset& preset : custom) customSection->addWidget(row(preset, true));
    stack->addLayout(customSection);

    auto* line = new QWidget;
    line->setFixedHeight(1);
    line->setStyleSheet(DarkroomTheme::fillStyle(DarkroomTheme::faintLine()));
    stack->addWidget(line);

    auto* classicSection = flatColumn(6);
    const std::vector<FilmPreset>& classic = vm_.presets();
    classicSection->addWidget(header("film.stack", "sidebar.classicPresets", int(classic.size()), false));
    for (const FilmPreset& preset : classic) classicSection->addWidget(row(preset, false));
    stack->addLayout(classicSection);
    stack->addStretch(1);
    column_->addWidget(content_);
}

}  // namespace vantrel
