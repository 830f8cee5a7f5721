#pragma once
// The common ground of the child views the window places: bindings for what a
// view edits, sources for what it only shows, callbacks for what it asks for.
// Views are kept for the window's life; refresh() re-reads their sources.
//
// The views in this folder are stand-ins with the final construction surface:
// the canvas, panel, mask and workflow views replace them one header at a time.
#include <functional>

#include <QString>
#include <QWidget>

#include "viewmodel/Binding.h"

namespace vantrel {

template <typename T>
using Source = std::function<T()>;
using Callback = std::function<void()>;

class RefreshableView {
public:
    virtual ~RefreshableView() = default;
    virtual void refresh() = 0;
};

// A view not built yet: its name, drawn quietly in its place.
class PlaceholderView : public QWidget, public RefreshableView {
public:
    explicit PlaceholderView(QString name, QWidget* parent = nullptr);
    void refresh() override { update(); }
    const QString& name() const { return name_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
};

}  // namespace vantrel
