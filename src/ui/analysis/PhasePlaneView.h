// The canvas of the phase plane window: the plane drawn at the widget's
// size, the equilibrium under the pointer told, a click (or Enter at the
// keyboard's cross) asking for a series from that start.
#pragma once

#include <QWidget>
#include <functional>

#include "ui/figure/PhasePlaneFigure.h"

namespace morvane::ui {

class PhasePlaneView : public QWidget {
  Q_OBJECT

public:
  explicit PhasePlaneView(QWidget *parent = nullptr);

  figure::PhasePlane &Plane() { return plane_; }
  const figure::PhasePlane &Plane() const { return plane_; }
  // Where the square of the plane lies in the widget.
  QRectF Square() const;
  // The equilibrium drawn within a few pixels of `point`, or -1.
  int EquilibriumAt(const QPointF &point) const;

  // A start chosen (click, or Enter at the cross).
  std::function<void(double p, double q)> onStart;
  // What lies under the pointer or the cross, for the window's status line.
  std::function<void(const QString &)> onHover;

protected:
  void paintEvent(QPaintEvent *e) override;
  void mouseMoveEvent(QMouseEvent *e) override;
  void mousePressEvent(QMouseEvent *e) override;
  void keyPressEvent(QKeyEvent *e) override;

private:
  void Tell(const QPointF &point);

  figure::PhasePlane plane_;
  // The keyboard's cross, in plane coordinates, once an arrow key moved it.
  bool crossShown_ = false;
  double crossP_ = 0.5, crossQ_ = 0.5;
};

} // namespace morvane::ui
