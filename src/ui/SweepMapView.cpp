#include "SweepMapView.h"

#include <QMouseEvent>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <limits>

#include "SweepJob.h"
#include "batch/Sweep.h"
#include "files/NumberFormat.h"

namespace morvane::ui {
namespace {

// A table's number; the tables are written with '.' whatever the locale.
double Number(const std::string &text) {
  return TextToReal(text).value_or(std::numeric_limits<double>::quiet_NaN());
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

SweepMapView::SweepMapView(QWidget *parent) : QCustomPlot(parent) {
  setMouseTracking(true);
  setMinimumSize(320, 240);
}

void SweepMapView::SetPlan(const SweepPlan &plan, const std::string &output) {
  plan_ = plan;
  rows_.clear();
  std::string header = SweepTableHeader(plan);
  if (!header.empty() && header.back() == '\n')
    header.pop_back();
  columns_ = TabCells(header);
  for (std::size_t k = 0; k < 2; ++k) {
    axisValues_[k].clear();
    if (k < plan.axes.size())
      for (const std::string &v : plan.axes[k].shown)
        axisValues_[k].push_back(Number(v));
  }
  clearPlottables();
  plotLayout()->clear();
  auto *rect = new QCPAxisRect(this);
  plotLayout()->addElement(0, 0, rect);
  map_ = nullptr;
  scale_ = nullptr;
  line_ = nullptr;
  QCPAxis *x = rect->axis(QCPAxis::atBottom), *y = rect->axis(QCPAxis::atLeft);
  x->setLabel(QString::fromStdString(plan.axes.at(0).option));
  if (plan.axes.size() == 2) {
    y->setLabel(QString::fromStdString(plan.axes[1].option));
    map_ = new QCPColorMap(x, y);
    const auto &a = axisValues_[0], &b = axisValues_[1];
    map_->data()->setSize(int(a.size()), int(b.size()));
    map_->data()->setRange(QCPRange(a.front(), a.back()), QCPRange(b.front(), b.back()));
    map_->data()->fill(kNaN);
    scale_ = new QCPColorScale(this);
    plotLayout()->addElement(0, 1, scale_);
    map_->setColorScale(scale_);
    QCPColorGradient gradient(QCPColorGradient::gpThermal);
    gradient.setNanHandling(QCPColorGradient::nhTransparent);
    map_->setGradient(gradient);
    auto *margins = new QCPMarginGroup(this);
    rect->setMarginGroup(QCP::msBottom | QCP::msTop, margins);
    scale_->setMarginGroup(QCP::msBottom | QCP::msTop, margins);
    const auto pad = [](const std::vector<double> &v) {
      const double half = v.size() > 1 ? (v.back() - v.front()) / double(v.size() - 1) / 2 : 0.5;
      return QCPRange(std::min(v.front(), v.back()) - std::abs(half),
                      std::max(v.front(), v.back()) + std::abs(half));
    };
    x->setRange(pad(a));
    y->setRange(pad(b));
  } else {
    line_ = new QCPGraph(x, y);
    line_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 5));
    const auto &a = axisValues_[0];
    const double pad = a.size() > 1 ? std::abs(a.back() - a.front()) * 0.02 : 0.5;
    x->setRange(std::min(a.front(), a.back()) - pad, std::max(a.front(), a.back()) + pad);
  }
  crosses_ = new QCPGraph(x, y);
  crosses_->setLineStyle(QCPGraph::lsNone);
  crosses_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCross, Qt::black, 9));
  crosses_->setName(QStringLiteral("not converged"));
  SetOutput(output);
}

void SweepMapView::SetOutput(const std::string &output) {
  if (!crosses_)
    return; // nothing drawn yet: SetPlan takes the output
  const auto it = std::find(columns_.begin(), columns_.end(), output);
  column_ = it == columns_.end() ? 0 : std::size_t(it - columns_.begin());
  if (map_) {
    map_->data()->fill(kNaN);
    scale_->axis()->setLabel(QString::fromStdString(output));
  } else if (line_) {
    line_->data()->clear();
    axisRect()->axis(QCPAxis::atLeft)->setLabel(QString::fromStdString(output));
  }
  crosses_->data()->clear();
  anyValue_ = false;
  for (std::size_t k = 0; k < rows_.size(); ++k)
    DrawRow(k);
  Redraw();
}

void SweepMapView::AddRows(const std::vector<std::vector<std::string>> &rows) {
  if (rows.size() <= rows_.size())
    return;
  for (std::size_t k = rows_.size(); k < rows.size(); ++k) {
    rows_.push_back(rows[k]);
    DrawRow(k);
  }
  Redraw();
}

double SweepMapView::CellOf(std::size_t point) const {
  const std::vector<std::string> &row = rows_[point];
  return column_ < row.size() ? Number(row[column_]) : kNaN;
}

void SweepMapView::DrawRow(std::size_t point) {
  const auto at = plan_.Coordinates(point);
  const double value = CellOf(point);
  if (std::isfinite(value)) {
    low_ = anyValue_ ? std::min(low_, value) : value;
    high_ = anyValue_ ? std::max(high_, value) : value;
    anyValue_ = true;
  }
  const double x = axisValues_[0][at[0]];
  const double y = map_ ? axisValues_[1][at[1]] : value;
  if (map_)
    map_->data()->setCell(int(at[0]), int(at[1]), value);
  else
    line_->addData(x, value);
  if (!rows_[point].empty() && rows_[point].back() == "no")
    crosses_->addData(x, y);
}

void SweepMapView::Redraw() {
  if (map_ && anyValue_) {
    // A single value still gets a bar around it.
    map_->setDataRange(high_ > low_ ? QCPRange(low_, high_) : QCPRange(low_ - 0.5, high_ + 0.5));
  } else if (line_) {
    bool found = false;
    QCPRange range = line_->getValueRange(found);
    if (found) {
      const double pad = range.size() > 0 ? range.size() * 0.05 : 0.5;
      axisRect()->axis(QCPAxis::atLeft)->setRange(range.lower - pad, range.upper + pad);
    }
  }
  replot(QCustomPlot::rpQueuedReplot);
}

double SweepMapView::Value(std::size_t point) const {
  if (point >= rows_.size())
    return kNaN;
  if (map_) {
    const auto at = plan_.Coordinates(point);
    return map_->data()->cell(int(at[0]), int(at[1]));
  }
  const auto it = line_->data()->findBegin(axisValues_[0][plan_.Coordinates(point)[0]], false);
  return it == line_->data()->constEnd() ? kNaN : it->value;
}

bool SweepMapView::Marked(std::size_t point) const {
  if (point >= rows_.size())
    return false;
  const auto at = plan_.Coordinates(point);
  const double x = axisValues_[0][at[0]];
  const double y = map_ ? axisValues_[1][at[1]] : CellOf(point);
  for (auto it = crosses_->data()->constBegin(); it != crosses_->data()->constEnd(); ++it)
    if (it->key == x && (it->value == y || (std::isnan(y) && std::isnan(it->value))))
      return true;
  return false;
}

long SweepMapView::PointAt(const QPointF &position) const {
  if (!map_ && !line_)
    return -1;
  const QCPAxisRect *rect = axisRect();
  if (!rect->rect().contains(position.toPoint()))
    return -1;
  const auto nearest = [](const std::vector<double> &values, double v) {
    std::size_t best = 0;
    for (std::size_t k = 1; k < values.size(); ++k)
      if (std::abs(values[k] - v) < std::abs(values[best] - v))
        best = k;
    return best;
  };
  const std::size_t i =
      nearest(axisValues_[0], rect->axis(QCPAxis::atBottom)->pixelToCoord(position.x()));
  std::size_t point = i;
  if (map_) {
    const std::size_t j =
        nearest(axisValues_[1], rect->axis(QCPAxis::atLeft)->pixelToCoord(position.y()));
    point = i * axisValues_[1].size() + j;
  }
  return point < rows_.size() ? long(point) : -1;
}

QString SweepMapView::PointText(std::size_t point) const {
  QString text;
  const std::vector<std::string> &row = rows_.at(point);
  for (std::size_t k = 0; k < row.size() && k < columns_.size(); ++k)
    text += QString::fromStdString(columns_[k] + " = " + row[k]) +
            (k + 1 < row.size() ? QStringLiteral("\n") : QString());
  return text;
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
}

} // namespace morvane::ui
