#pragma once
// The trend's chart view: the wheel zooms about the time under the mouse,
// dragging pans, a double click returns to following the newest value.
#include <QChartView>
#include <functional>

namespace vel::ui {

class TrendChartView : public QChartView {
public:
    explicit TrendChartView(QWidget* parent = nullptr);

    std::function<void(double factor, qint64 anchorMs)> onZoom;
    std::function<void(qint64 deltaMs)> onPan;
    std::function<void()> onDoubleClick;

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    qint64 timeAt(const QPointF& pos) const;
    std::optional<QPointF> dragFrom_;
};

}  // namespace vel::ui
