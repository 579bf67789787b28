// The live picture of a sweep in its window: the sweep's figure (map or
// diagram) filling in as the table's rows come, a point's values under the
// mouse, and which point was clicked.
#pragma once

#include <QString>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <qcustomplot.h>

#include "ui/figure/SweepFigure.h"

namespace morvane::ui {

class SweepMapView : public QCustomPlot {
  Q_OBJECT

public:
  explicit SweepMapView(QWidget *parent = nullptr);

  // A new sweep: its grid, and the output drawn (a column of its table).
  void SetPlan(const SweepPlan &plan, const std::string &output) { figure_.SetPlan(plan, output); }
  // Another output of the same rows.
  void SetOutput(const std::string &output) { figure_.SetOutput(output); }
  // The table's rows, split at TABs, in grid order: those beyond the ones
  // already drawn are added.
  void AddRows(const std::vector<std::vector<std::string>> &rows) { figure_.AddRows(rows); }
  // The next rows, taken over.
  void AppendRows(std::vector<std::vector<std::string>> &&rows) {
    figure_.AppendRows(std::move(rows));
  }

  const figure::SweepFigure &Figure() const { return figure_; }
  double Value(std::size_t point) const { return figure_.Value(point); }
  bool Marked(std::size_t point) const { return figure_.Marked(point); }
  std::size_t RowsDrawn() const { return figure_.RowsDrawn(); }
  QCPRange ColourRange() const { return figure_.ColourRange(); }
  long PointAt(const QPointF &position) const { return figure_.PointAt(position); }
  QString PointText(std::size_t point) const { return figure_.PointText(point); }

  // A click on a point: its number in grid order.
  std::function<void(std::size_t)> onPointClicked;
  // A right click on a point: its number, and where on the screen.
  std::function<void(std::size_t, QPoint)> onPointMenu;

protected:
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  figure::SweepFigure figure_{*this};
};

} // namespace morvane::ui
