#pragma once
// The common ground of the views the window places: bindings for what a view
// edits, sources for what it only shows, callbacks for what it asks for.
// Views are kept for the window's life; refresh() re-reads their sources and
// sets their controls without reporting a change.
#include <functional>

#include "model/Binding.h"

namespace vantrel {

template <typename T>
using Source = std::function<T()>;
using Callback = std::function<void()>;

class RefreshableView {
public:
    virtual ~RefreshableView() = default;
    virtual void refresh() = 0;
};

}  // namespace vantrel
