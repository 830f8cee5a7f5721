#include "viewmodel/SubjectMasks.h"

#include <QMetaObject>
#include <QThread>

#include "viewmodel/ViewModelServices.h"

namespace vantrel {

SubjectMasks::SubjectMasks(std::shared_ptr<AnalysisService> analysis, QObject* parent)
    : QObject(parent), analysis_(std::move(analysis)) {
    pool_.setMaxThreadCount(1);
    pool_.setThreadPriority(QThread::LowPriority);
}

SubjectMasks::~SubjectMasks() {
    stop();
    pool_.waitForDone();
}

SubjectMasks::Lookup SubjectMasks::forRender(RenderJob& job, Urgency urgency) {
    const Uuid frame = frameIdOf(job.photo);
    Lookup lookup;
    if (const auto mask = masks_.find(frame); mask != masks_.end()) {
        recency_.remove(frame);
        recency_.push_front(frame);
        job.subjectMask = mask->second;
        return lookup;
    }
    // A grading that changes nothing needs no mask.
    if (job.recipe.subjectMask.isIdentity()) return lookup;
    lookup.noSubject = withoutSubject_.count(frame) > 0;
    if (lookup.noSubject || !analysis_ || stopped_) return lookup;
    lookup.coming = true;
    lookup.started = request(job.photo, urgency);
    return lookup;
}

void SubjectMasks::whenAnswered(const Uuid& frame, std::function<void(const Answer&)> then) {
    const auto making = making_.find(frame);
    if (making == making_.end()) {
        if (then) then({});
        return;
    }
    making->second.waiting.push_back(std::move(then));
}

bool SubjectMasks::request(const LoadedPhoto& photo, Urgency urgency) {
    const Uuid frame = frameIdOf(photo);
    if (const auto waiting = making_.find(frame); waiting != making_.end()) {
        // A pool cannot move what it has queued: a second copy goes ahead of the background work.
        Making& making = waiting->second;
        if (urgency != Urgency::shown || making.urgency != Urgency::background) return false;
        making.urgency = Urgency::shown;
        analyse(photo, making);
        return true;
    }
    Making& making = making_[frame];
    making.serial = ++serial_;
    making.urgency = urgency;
    analyse(photo, making);
    return true;
}

void SubjectMasks::analyse(const LoadedPhoto& photo, const Making& making) {
    pool_.start(
        [this, analysis = analysis_, photo, frame = frameIdOf(photo), serial = making.serial,
         stop = making.stop.get_token(), claimed = making.claimed] {
            if (claimed->exchange(true)) return;
            Answer answer;
            try {
                if (!stop.stop_requested()) answer = {true, analysis->detectSubject(photo)};
            } catch (...) {
                answer = {true, std::nullopt};  // out of memory and the like: no subject, and no one left waiting
            }
            // Queued to the GUI thread; the destructor waits for this pool, so `this` is alive.
            QMetaObject::invokeMethod(
                this, [this, frame, serial, answer] { finished(frame, serial, answer); }, Qt::QueuedConnection);
        },
        making.urgency == Urgency::shown ? 1 : 0);
}

void SubjectMasks::finished(const Uuid& frame, std::uint64_t serial, const Answer& result) {
    // Dropped when the frame was forgotten, or given a mask by a detection, meanwhile.
    const auto making = making_.find(frame);
    if (making == making_.end() || making->second.serial != serial) return;
    if (result.made && result.mask)
        hold(frame, *result.mask);
    else if (result.made)
        withoutSubject_.insert(frame);
    answer(frame, result);
    if (result.made) Q_EMIT settled(frame, result.mask.has_value());
}

void SubjectMasks::answer(const Uuid& frame, const Answer& given) {
    const auto making = making_.find(frame);
    if (making == making_.end()) return;
    making->second.stop.request_stop();
    // Out of the map first: a waiter may look the frame up again.
    const std::vector<Waiter> waiting = std::move(making->second.waiting);
    making_.erase(making);
    for (const Waiter& waiter : waiting)
        if (waiter) waiter(given);
}

void SubjectMasks::hold(const Uuid& frame, Image mask) {
    masks_[frame] = std::move(mask);
    recency_.remove(frame);
    recency_.push_front(frame);
    while (recency_.size() > kHeldMasks) {
        masks_.erase(recency_.back());
        recency_.pop_back();
    }
}

void SubjectMasks::store(const Uuid& frame, Image mask) {
    withoutSubject_.erase(frame);
    hold(frame, mask);
    // An analysis of the frame still waiting is not needed: whoever waits on it gets this mask.
    answer(frame, {true, std::move(mask)});
}

void SubjectMasks::forget(const Uuid& frame) {
    masks_.erase(frame);
    recency_.remove(frame);
    withoutSubject_.erase(frame);
    answer(frame, {});
}

void SubjectMasks::keepOnly(const std::set<Uuid>& frames) {
    std::set<Uuid> gone;
    for (const auto& [frame, mask] : masks_) gone.insert(frame);
    for (const auto& [frame, making] : making_) gone.insert(frame);
    gone.insert(withoutSubject_.begin(), withoutSubject_.end());
    for (const Uuid& frame : gone)
        if (!frames.count(frame)) forget(frame);
}

void SubjectMasks::stop() {
    stopped_ = true;
    // Whoever waits is going too: no answer is given.
    for (auto& [frame, making] : making_) making.stop.request_stop();
    making_.clear();
}

}  // namespace vantrel
