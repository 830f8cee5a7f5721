#pragma once
// Stand-ins with the final construction surface: the canvas, panel, mask and
// workflow views of src/views replace them one header at a time.
#include <QString>
#include <QWidget>

#include "views/kit/ViewBasics.h"

namespace vantrel {

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
