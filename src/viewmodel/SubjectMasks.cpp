#include "viewmodel/SubjectMasks.h"

#include <algorithm>

#include <QMetaObject>
#include <QThread>

#include "viewmodel/DarkroomViewModel.h"
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

const Image* SubjectMasks::held(const Uuid& frame) const {
    const auto mask = masks_.find(frame);
    if (mask == masks_.end()) return nullptr;
    recency_.remove(frame);
    recency_.push_front(frame);
    return &mask->second;
}

bool SubjectMasks::isWanted(const Uuid& frame, const EditParameters& recipe) const {
    // A grading that changes nothing needs no mask.
    return analysis_ && !stopped_ && !recipe.subjectMask.isIdentity() && !masks_.count(frame) &&
           !withoutSubject_.count(frame);
}

std::shared_future<SubjectMasks::Answer> SubjectMasks::request(const LoadedPhoto& photo, Urgency urgency,
                                                               bool* started) {
    if (started) *started = false;
    const Uuid frame = DarkroomViewModel::frameID(photo);
    if (const auto waiting = making_.find(frame); waiting != making_.end()) {
        // A pool cannot move what it has queued: a second copy goes ahead of the background work.
        Making& making = waiting->second;
        if (urgency == Urgency::shown && making.urgency == Urgency::background) {
            making.urgency = Urgency::shown;
            analyse(photo, making);
            if (started) *started = true;
        }
        return making.answer;
    }
    if (!analysis_ || stopped_) return {};

    Making& making = making_[frame];
    making.serial = ++serial_;
    making.urgency = urgency;
    making.answering = std::make_shared<Answering>();
    making.answer = making.answering->promise.get_future().share();
    analyse(photo, making);
    if (started) *started = true;
    return making.answer;
}

void SubjectMasks::analyse(const LoadedPhoto& photo, const Making& making) {
    pool_.start(
        [this, analysis = analysis_, photo, frame = DarkroomViewModel::frameID(photo), serial = making.serial,
         stop = making.stop.get_token(), answering = making.answering] {
            if (answering->claimed.exchange(true)) return;
            Answer answer;
            try {
                if (!stop.stop_requested()) answer = {true, analysis->detectSubject(photo)};
            } catch (...) {
                answer = {true, std::nullopt};  // out of memory and the like: no subject, and no one left waiting
            }
            answering->give(answer);
            // Queued to the GUI thread; the destructor waits for this pool, so `this` is alive.
            QMetaObject::invokeMethod(
                this, [this, frame, serial, answer] { finished(frame, serial, answer); }, Qt::QueuedConnection);
        },
        making.urgency == Urgency::shown ? 1 : 0);
}

void SubjectMasks::finished(const Uuid& frame, std::uint64_t serial, const Answer& answer) {
    // Dropped when the frame was forgotten, or given a mask by a detection, meanwhile.
    const auto making = making_.find(frame);
    if (making == making_.end() || making->second.serial != serial) return;
    making_.erase(making);
    if (!answer.made) return;
    if (answer.mask)
        hold(frame, *answer.mask);
    else
        withoutSubject_.insert(frame);
    Q_EMIT settled(frame, answer.mask.has_value());
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
    // An analysis of the frame still waiting is not needed: whoever waits on it gets this mask.
    if (const auto making = making_.find(frame); making != making_.end()) {
        making->second.stop.request_stop();
        making->second.answering->give({true, mask});
        making_.erase(making);
    }
    withoutSubject_.erase(frame);
    hold(frame, std::move(mask));
}

void SubjectMasks::forget(const Uuid& frame) {
    if (const auto making = making_.find(frame); making != making_.end()) {
        making->second.drop();
        making_.erase(making);
    }
    masks_.erase(frame);
    recency_.remove(frame);
    withoutSubject_.erase(frame);
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
    for (auto& [frame, making] : making_) making.drop();
    making_.clear();
}

}  // namespace vantrel
