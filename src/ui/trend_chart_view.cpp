#include "ui/trend_chart_view.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

namespace vel::ui {

TrendChartView::TrendChartView(QWidget* parent) : QChartView(parent) {
    setRenderHint(QPainter::Antialiasing, false);  // many points: plain lines draw faster
    setDragMode(QGraphicsView::NoDrag);
}

qint64 TrendChartView::timeAt(const QPointF& pos) const {
    return std::llround(chart()->mapToValue(chart()->mapFromScene(mapToScene(pos.toPoint()))).x());
}

void TrendChartView::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0 && onZoom) onZoom(std::pow(0.8, steps), timeAt(event->position()));
    event->accept();
}

void TrendChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragFrom_ = event->position();
    event->accept();
}

void TrendChartView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragFrom_ || !onPan) return;
    const qint64 delta = timeAt(*dragFrom_) - timeAt(event->position());
    dragFrom_ = event->position();
    if (delta != 0) onPan(delta);
    event->accept();
}

void TrendChartView::mouseReleaseEvent(QMouseEvent* event) {
    dragFrom_.reset();
    event->accept();
}

void TrendChartView::mouseDoubleClickEvent(QMouseEvent* event) {
    dragFrom_.reset();
    if (onDoubleClick) onDoubleClick();
    event->accept();
}

}  // namespace vel::ui
