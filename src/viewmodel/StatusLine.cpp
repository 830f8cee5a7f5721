#include "viewmodel/StatusLine.h"

#include "services/L10n.h"

namespace vantrel {

StatusLine::StatusLine(std::function<void()> changed, std::chrono::milliseconds noticeReturn)
    : changed_(std::move(changed)), text_(L10n::text("status.ready")) {
    noticeReturn_.setSingleShot(true);
    noticeReturn_.setInterval(noticeReturn);
    QObject::connect(&noticeReturn_, &QTimer::timeout, &noticeReturn_, [this] { rest(); });
}

LocalText StatusLine::restingText() const { return notice_ ? *notice_ : L10n::text("status.ready"); }

void StatusLine::set(LocalText text, LocalText detail, bool frameNews) {
    text_ = std::move(text);
    detail_ = std::move(detail);
    frameNews_ = frameNews;
    // Read for a moment, then the notice again: it stays true while the message is long past.
    if (notice_ && text_ != *notice_)
        noticeReturn_.start();
    else
        noticeReturn_.stop();
    if (changed_) changed_();
}

void StatusLine::show(LocalText text, LocalText detail) { set(std::move(text), std::move(detail), false); }

void StatusLine::showFrameNews(LocalText text) { set(std::move(text), {}, true); }

void StatusLine::rest() {
    if (notice_) set(*notice_, noticeDetail_, false);
    else set(L10n::text("status.ready"), {}, false);
}

void StatusLine::clearIf(const LocalText& text) {
    if (text_ == text) rest();
}

void StatusLine::clearFrameNews() {
    if (frameNews_) rest();
}

void StatusLine::setNotice(std::optional<LocalText> notice, LocalText detail) {
    const bool showing = notice_ && text_ == *notice_;
    notice_ = std::move(notice);
    noticeDetail_ = std::move(detail);
    if (notice_ || showing) rest();
    else noticeReturn_.stop();
}

}  // namespace vantrel
