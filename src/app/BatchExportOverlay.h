#pragma once
// The overlay that covers the window while a batch export runs: a dimmed
// backdrop and a centred panel with a spinner, the title, the frame being
// exported, a progress bar, the counts and percentage, and a cancel button.
// It shows what its source gives and asks for the cancel through a callback.
#include <functional>
#include <string>

#include <QString>
#include <QWidget>

#include "views/kit/ViewBasics.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vantrel {

class BatchExportOverlay final : public QWidget, public RefreshableView {
public:
    struct Progress {
        std::string currentItem;
        double progress = 0;  // 0 … 1
        int completedCount = 0;
        int totalCount = 0;
    };

    BatchExportOverlay(Source<Progress> progress, Callback onCancel, QWidget* parent = nullptr);
    void refresh() override;

    // "13 / 20 completed" and "65%": the whole percentage, truncated.
    static QString countsText(const Progress& progress);
    static QString percentText(double progress);

    QLabel* titleLabel() const { return title_; }
    QLabel* itemLabel() const { return item_; }
    QLabel* countsLabel() const { return counts_; }
    QLabel* percentLabel() const { return percent_; }
    QPushButton* cancelButton() const { return cancel_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Source<Progress> source_;
    Callback onCancel_;
    std::string fullItem_;
    QWidget* panel_;
    QWidget* spinner_;
    QLabel* title_;
    QLabel* item_;
    QProgressBar* bar_;
    QLabel* counts_;
    QLabel* percent_;
    QPushButton* cancel_;
};

}  // namespace vantrel
