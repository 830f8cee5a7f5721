#pragma once
// SubjectMasks: the subject mask of each frame of the open roll, held in memory
// once made. The recipe keeps only the subject grading; the mask itself is
// found again by analysing the frame whenever a frame whose recipe grades a
// detected subject is shown, rendered, compared or exported with no mask held
// (after a restart, or on a frame the grading was synchronised to). Each frame
// is analysed once: its mask is then held, or it is remembered that no subject
// stood out, so it is not analysed over and over. Analyses run one at a time on
// a worker of their own, the frame on screen first; their results come back on
// the GUI thread.
#include <atomic>
#include <cstdint>
#include <future>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stop_token>

#include <QObject>
#include <QThreadPool>

#include "engine/core/Image.h"
#include "engine/io/LoadedPhoto.h"
#include "model/EditParameters.h"
#include "model/Uuid.h"

namespace vantrel {

class AnalysisService;

class SubjectMasks final : public QObject {
    Q_OBJECT

public:
    // The answer of one analysis: `made` false when it was stopped before it ran.
    struct Answer {
        bool made = false;
        std::optional<Image> mask;  // none: no subject stands out
    };
    enum class Urgency { background, shown };

    // Masks held at most; the oldest unused go first (each is a few megabytes).
    static constexpr std::size_t kHeldMasks = 32;

    // No analysis: no mask is ever made again.
    explicit SubjectMasks(std::shared_ptr<AnalysisService> analysis, QObject* parent = nullptr);
    // Stops what has not started and waits for the analysis under way.
    ~SubjectMasks() override;

    // The frame's mask, when one is held.
    const Image* held(const Uuid& frame) const;
    // The masks held, by frame.
    std::map<Uuid, Image>& heldMasks() { return masks_; }
    // The recipe grades a detected subject, but the frame has no mask and its
    // analysis has not yet said that it has none.
    bool isWanted(const Uuid& frame, const EditParameters& recipe) const;
    // Its analysis found no subject.
    bool hasNoSubject(const Uuid& frame) const { return withoutSubject_.count(frame) > 0; }
    // Starts analysing the frame when isWanted and no analysis of it is under
    // way, or moves one waiting in the background ahead when the frame is
    // shown now; `started` tells which. The answer to come, shared by every asker.
    std::shared_future<Answer> request(const LoadedPhoto& photo, Urgency urgency, bool* started = nullptr);

    // A mask found by a detection the user started: held from now on.
    void store(const Uuid& frame, Image mask);
    // The frame's mask and whatever was learnt about it are forgotten.
    void forget(const Uuid& frame);
    // Only these frames are kept (another roll was opened): the others' masks
    // go and their analyses still waiting never run.
    void keepOnly(const std::set<Uuid>& frames);
    // Nothing more starts (the program is going).
    void stop();
    bool isIdle() const { return making_.empty() && pool_.activeThreadCount() == 0; }

Q_SIGNALS:
    // An analysis started here has ended: the frame's mask is held now (`found`), or it has none.
    void settled(Uuid frame, bool found);

private:
    // The answer to come, given once: by the analysis, or by stopping it first
    // (so that no export waits for an analysis that is dropped).
    struct Answering {
        std::promise<Answer> promise;
        std::once_flag given;
        // Queued again when it was wanted on screen: the first copy to run analyses.
        std::atomic<bool> claimed{false};
        void give(const Answer& answer) {
            std::call_once(given, [&] { promise.set_value(answer); });
        }
    };
    struct Making {
        std::uint64_t serial = 0;
        Urgency urgency = Urgency::background;
        std::stop_source stop;
        std::shared_ptr<Answering> answering;
        std::shared_future<Answer> answer;
        void drop() {
            stop.request_stop();
            answering->give({});
        }
    };
    // Queues the making's analysis at its urgency.
    void analyse(const LoadedPhoto& photo, const Making& making);
    void finished(const Uuid& frame, std::uint64_t serial, const Answer& answer);
    void hold(const Uuid& frame, Image mask);

    std::shared_ptr<AnalysisService> analysis_;
    std::map<Uuid, Image> masks_;
    mutable std::list<Uuid> recency_;  // held frames, the most recently used first
    std::set<Uuid> withoutSubject_;
    std::map<Uuid, Making> making_;
    std::uint64_t serial_ = 0;
    bool stopped_ = false;
    QThreadPool pool_;  // one analysis at a time
};

}  // namespace vantrel
