#include "ui/sweep/SweepMapView.h"

#include <QMouseEvent>
#include <QToolTip>

namespace morvane::ui {

SweepMapView::SweepMapView(QWidget *parent) : QCustomPlot(parent) {
  setMouseTracking(true);
  // Narrow enough that the window, with every field showing a long number,
  // fits a 1024 x 768 screen.
  setMinimumSize(200, 240);
  // Nothing drawn until a sweep is.
  plotLayout()->clear();
}

void SweepMapView::mouseMoveEvent(QMouseEvent *event) {
  QCustomPlot::mouseMoveEvent(event);
  const long point = PointAt(event->position());
  if (point >= 0)
    QToolTip::showText(event->globalPosition().toPoint(), PointText(std::size_t(point)), this);
  else
    QToolTip::hideText();
}

void SweepMapView::mouseReleaseEvent(QMouseEvent *event) {
  QCustomPlot::mouseReleaseEvent(event);
  const long point = PointAt(event->position());
  if (point >= 0 && event->button() == Qt::LeftButton && onPointClicked)
    onPointClicked(std::size_t(point));
  else if (point >= 0 && event->button() == Qt::RightButton && onPointMenu)
    onPointMenu(std::size_t(point), event->globalPosition().toPoint());
}

} // namespace morvane::ui
