#pragma once
// SubjectMasks: the subject mask of each frame of the open roll, held in memory
// once made. The recipe keeps only the subject grading; the mask itself is
// found again by analysing the frame whenever a frame whose recipe grades a
// detected subject is shown, rendered, compared or exported with no mask held
// (after a restart, or on a frame the grading was synchronised to). Each frame
// is analysed once: its mask is then held, or it is remembered that no subject
// stood out, so it is not analysed over and over. Analyses run one at a time on
// a worker of their own, the frame on screen first; their results come back on
// the GUI thread, and no one waits for them on a worker thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <vector>

#include <QObject>
#include <QThreadPool>

#include "engine/core/Image.h"
#include "model/Uuid.h"
#include "viewmodel/RenderService.h"

namespace vantrel {

class AnalysisService;

class SubjectMasks final : public QObject {
    Q_OBJECT

public:
    // The answer of one analysis: `made` false when it was dropped before it ran.
    struct Answer {
        bool made = false;
        std::optional<Image> mask;  // none: no subject stands out
    };
    enum class Urgency { background, shown };
    // What a render's lookup found, beyond the mask it put into the job.
    struct Lookup {
        bool coming = false;     // being found: rendered without the grade meanwhile, until `settled`
        bool started = false;    // this lookup started the frame's analysis, or moved it ahead
        bool noSubject = false;  // analysed: none stands out, so the grade has nothing to work on
    };

    // Masks held at most; the oldest unused go first (each is a few megabytes).
    static constexpr std::size_t kHeldMasks = 32;

    // No analysis: no mask is ever made again.
    explicit SubjectMasks(std::shared_ptr<AnalysisService> analysis, QObject* parent = nullptr);
    // Stops what has not started and waits for the analysis under way.
    ~SubjectMasks() override;

    // The one lookup for a render of the job's frame with the job's recipe: the
    // mask held goes into the job; else, when the recipe grades a detected
    // subject and the frame is not known to have none, its analysis is asked for
    // at `urgency` (one waiting in the background moves ahead when it is shown).
    Lookup forRender(RenderJob& job, Urgency urgency);
    // Runs `then` on the GUI thread with the answer of the frame's analysis
    // under way once it is given; at once, unmade, when none is under way. When
    // the program goes first, it never runs.
    void whenAnswered(const Uuid& frame, std::function<void(const Answer&)> then);

    bool holds(const Uuid& frame) const { return masks_.count(frame) > 0; }
    // Its analysis found no subject.
    bool hasNoSubject(const Uuid& frame) const { return withoutSubject_.count(frame) > 0; }
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
    using Waiter = std::function<void(const Answer&)>;
    struct Making {
        std::uint64_t serial = 0;
        Urgency urgency = Urgency::background;
        std::stop_source stop;
        // Queued again when it was wanted on screen: the first copy to run analyses.
        std::shared_ptr<std::atomic<bool>> claimed = std::make_shared<std::atomic<bool>>(false);
        std::vector<Waiter> waiting;
    };
    // Starts the frame's analysis, or moves one waiting in the background ahead
    // when the frame is shown now; whether it did either.
    bool request(const LoadedPhoto& photo, Urgency urgency);
    // Queues the making's analysis at its urgency.
    void analyse(const LoadedPhoto& photo, const Making& making);
    void finished(const Uuid& frame, std::uint64_t serial, const Answer& answer);
    // The making ends with this answer to whoever waits for it.
    void answer(const Uuid& frame, const Answer& given);
    void hold(const Uuid& frame, Image mask);

    std::shared_ptr<AnalysisService> analysis_;
    std::map<Uuid, Image> masks_;
    std::list<Uuid> recency_;  // held frames, the most recently used first
    std::set<Uuid> withoutSubject_;
    std::map<Uuid, Making> making_;
    std::uint64_t serial_ = 0;
    bool stopped_ = false;
    QThreadPool pool_;  // one analysis at a time
};

}  // namespace vantrel
