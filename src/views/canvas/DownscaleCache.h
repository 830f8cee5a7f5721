#pragma once
// DownscaleCache: a smoothly scaled copy of a picture that is drawn again and
// again at one size (the fitted frame at rest, a pan at a fixed zoom).
// Drawing a large preview scaled on every paint costs a filtered lookup per
// screen pixel and, shrinking by more than half, skips pixels (grain
// shimmers); the copy is averaged over every pixel once and then blitted.
// Enlarged copies are kept too while they stay small enough (a pan at zoom 2).
//
// While the size changes on every paint (a zoom on its way), nothing is made:
// a copy is made on the second request in a row for the same picture and
// size, or when the owner says the view has come to rest.
#include <QImage>
#include <QSize>

namespace vantrel {

class DownscaleCache {
public:
    // Copies larger than this many pixels are not kept (a deep zoom draws
    // only the few source pixels it shows).
    static constexpr qint64 kLargestCopy = 12'000'000;

    // The copy of `image` at `size` device pixels when one is at hand (made
    // now if the previous request asked for the same); null when the picture
    // should be drawn scaled as it is: no copy yet, or `size` too large.
    const QImage* lookup(const QImage& image, QSize size);
    // Makes the copy last asked for, if any is pending; true when it did.
    bool settle();
    bool isPending() const { return !wanted_.isNull(); }

private:
    void make(const QImage& image, QSize size);

    qint64 key_ = 0;
    QSize size_;
    QImage scaled_;
    QImage wanted_;  // shared with the caller's picture, never copied
    QSize wantedSize_;
};

}  // namespace vantrel
