#pragma once
// FrameChipStrip: the names of the frames a batch exports, as chips in lines
// across the strip's width, at most kLines lines. The chips that find no room
// give way to the overflow text, which counts every frame not shown ("+ 3
// more photos..."), so no name is ever cut off unseen; a name wider than a
// whole line is elided in the middle, whole in its tooltip. It places its
// chips again whenever its width changes or refresh() is called.
#include <functional>
#include <vector>

#include <QString>
#include <QWidget>

class QLabel;

namespace vantrel {

class FrameChipStrip final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kLines = 3;

    // Chips for `titles`, of `total` frames in all; `moreText` gives the
    // overflow text for a number of frames not shown.
    FrameChipStrip(const std::vector<QString>& titles, std::size_t total,
                   std::function<QString(std::size_t)> moreText, QWidget* parent = nullptr);

    // The overflow text again (the language changed), and the chips placed anew.
    void refresh() { place(); }

    std::vector<QLabel*> shownChips() const;
    QLabel* moreLabel() const { return more_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return arrange(width).height; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Placement {
        std::vector<QRect> chips;  // one per chip shown, in order
        QRect more;                // empty when every frame has its chip
        int height = 0;
    };
    Placement arrange(int width) const;
    void place();

    std::vector<QLabel*> chips_;
    std::vector<QString> titles_;
    std::size_t total_;
    std::function<QString(std::size_t)> moreText_;
    QLabel* more_;
    QSize chipFrame_;  // what a chip adds around its text
};

}  // namespace vantrel
