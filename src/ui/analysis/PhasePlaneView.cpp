#include "ui/analysis/PhasePlaneView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace morvane::ui {

namespace {

double FontSize(const QWidget &w) { return QFontMetricsF(w.font()).height() * 0.8; }

// A start as a user would type it: four decimals.
double Rounded(double v) { return std::round(v * 1e4) / 1e4; }

} // namespace

PhasePlaneView::PhasePlaneView(QWidget *parent) : QWidget(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(420, 380);
  setAutoFillBackground(false);
}

QRectF PhasePlaneView::Square() const {
  return figure::PlaneSquare(QRectF(rect()), FontSize(*this));
}

int PhasePlaneView::EquilibriumAt(const QPointF &point) const {
  const QRectF square = Square();
  const double near = std::max(6.0, FontSize(*this) * 0.6);
  int best = -1;
  double bestDistance = near;
  for (std::size_t k = 0; k < plane_.equilibria.size(); ++k) {
    const QPointF at = figure::PointOf(square, plane_.equilibria[k].p, plane_.equilibria[k].q);
    const double d = std::hypot(at.x() - point.x(), at.y() - point.y());
    if (d <= bestDistance) {
      bestDistance = d;
      best = int(k);
    }
  }
  return best;
}

void PhasePlaneView::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  figure::PaintPhasePlane(painter, plane_, QRectF(rect()), FontSize(*this));
  const QRectF square = Square();
  if (crossShown_) {
    const QPointF at = figure::PointOf(square, crossP_, crossQ_);
    painter.setPen(QPen(Qt::black, 1.5));
    painter.drawLine(at - QPointF(8, 0), at + QPointF(8, 0));
    painter.drawLine(at - QPointF(0, 8), at + QPointF(0, 8));
  }
  if (hasFocus()) {
    painter.setPen(QPen(palette().highlight().color(), 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(square.adjusted(-3, -3, 3, 3));
  }
}

void PhasePlaneView::Tell(const QPointF &point) {
  const int k = EquilibriumAt(point);
  QString text;
  if (k >= 0) {
    text = plane_.equilibria[std::size_t(k)].text;
  } else if (const auto at = figure::PlaneAt(Square(), point)) {
    text = QStringLiteral("p = %1, q = %2").arg(at->p, 0, 'f', 4).arg(at->q, 0, 'f', 4);
    const int N = plane_.grid;
    if (N >= 2 && plane_.basin.size() == std::size_t(N) * N) {
      const int i = int(std::lround(at->p * (N - 1))), j = int(std::lround(at->q * (N - 1)));
      const int reached = plane_.basin[std::size_t(i) * N + j];
      if (reached >= 0 && std::size_t(reached) < plane_.equilibria.size())
        text += QStringLiteral("\nbasin of the %1 equilibrium at p = %2, q = %3")
                    .arg(analysis::StabilityName(plane_.equilibria[reached].stability))
                    .arg(plane_.equilibria[reached].p, 0, 'g', 4)
                    .arg(plane_.equilibria[reached].q, 0, 'g', 4);
      else if (reached == -1)
        text += QStringLiteral("\nno equilibrium found from here");
    }
  }
  if (onHover)
    onHover(text);
}

void PhasePlaneView::mouseMoveEvent(QMouseEvent *e) {
  Tell(e->position());
  const int k = EquilibriumAt(e->position());
  if (k >= 0)
    QToolTip::showText(e->globalPosition().toPoint(), plane_.equilibria[std::size_t(k)].text, this);
  else
    QToolTip::hideText();
}

void PhasePlaneView::mousePressEvent(QMouseEvent *e) {
  setFocus(Qt::MouseFocusReason);
  if (e->button() != Qt::LeftButton)
    return;
  if (const auto at = figure::PlaneAt(Square(), e->position()); at && onStart) {
    crossP_ = Rounded(at->p);
    crossQ_ = Rounded(at->q);
    onStart(crossP_, crossQ_);
  }
}

void PhasePlaneView::keyPressEvent(QKeyEvent *e) {
  // The arrows move the cross by 0.01 (0.1 with Shift); Enter runs from it.
  const double step = e->modifiers() & Qt::ShiftModifier ? 0.1 : 0.01;
  double dp = 0, dq = 0;
  switch (e->key()) {
  case Qt::Key_Left:
    dp = -step;
    break;
  case Qt::Key_Right:
    dp = step;
    break;
  case Qt::Key_Up:
    dq = step;
    break;
  case Qt::Key_Down:
    dq = -step;
    break;
  case Qt::Key_Return:
  case Qt::Key_Enter:
  case Qt::Key_Space:
    crossShown_ = true;
    if (onStart)
      onStart(crossP_, crossQ_);
    update();
    return;
  default:
    QWidget::keyPressEvent(e);
    return;
  }
  crossShown_ = true;
  crossP_ = Rounded(std::clamp(crossP_ + dp, 0.0, 1.0));
  crossQ_ = Rounded(std::clamp(crossQ_ + dq, 0.0, 1.0));
  Tell(figure::PointOf(Square(), crossP_, crossQ_));
  update();
}

} // namespace morvane::ui
