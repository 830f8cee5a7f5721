#pragma once
// StatusLine: the one line of the window that tells what just happened. It holds
// a message (kept as its key and arguments, shown in the language chosen now),
// the detail its tooltip adds, and whether it is news of the current frame
// (which ends when another frame is selected). Under every message rests a text
// of its own: "Ready", or the roll's standing notice while there is one (its
// edits kept in the data folder, or in memory only); a message shown over a
// notice gives way to it again after a few seconds, so that it is always read.
#include <chrono>
#include <functional>
#include <optional>

#include <QTimer>

#include "services/LocalText.h"

namespace vantrel {

class StatusLine {
public:
    // `changed` runs after every change of what is shown.
    StatusLine(std::function<void()> changed, std::chrono::milliseconds noticeReturn);

    const LocalText& text() const { return text_; }
    const LocalText& detail() const { return detail_; }
    bool isFrameNews() const { return frameNews_; }
    // What the line shows when it has nothing to tell: the notice, else "Ready".
    bool isResting() const { return text_ == restingText(); }

    // A message of the roll or the program (a save, an export, a roll opened).
    void show(LocalText text, LocalText detail = {});
    // A message about the current frame's own result (a tool, a detection, a rating).
    void showFrameNews(LocalText text);
    // Back to the resting text when the line still says `text` (its moment has passed).
    void clearIf(const LocalText& text);
    // Back to the resting text when the line shows news of the frame that was current.
    void clearFrameNews();

    // The roll's standing notice (none: "Ready" rests), shown at once.
    void setNotice(std::optional<LocalText> notice, LocalText detail = {});
    const std::optional<LocalText>& notice() const { return notice_; }

private:
    LocalText restingText() const;
    void rest();
    void set(LocalText text, LocalText detail, bool frameNews);

    std::function<void()> changed_;
    LocalText text_;
    LocalText detail_;
    bool frameNews_ = false;
    std::optional<LocalText> notice_;
    LocalText noticeDetail_;
    QTimer noticeReturn_;
};

}  // namespace vantrel
