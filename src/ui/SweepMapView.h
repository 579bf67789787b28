// The picture of a sweep: over two varied parameters a colour map of one
// output with its colour bar, over one a diagram of the output against the
// parameter; points not converged marked with a cross. It fills in as the
// table's rows come, shows a point's values under the mouse and tells which
// point was clicked. The same drawing serves the live map and a sweep opened
// from its files.
#pragma once

#include <QString>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include <qcustomplot.h>

#include "batch/SweepOptions.h"

namespace morvane::ui {

class SweepMapView : public QCustomPlot {
  Q_OBJECT

public:
  explicit SweepMapView(QWidget *parent = nullptr);

  // A new sweep: its grid, and the output drawn (a column of its table).
  void SetPlan(const SweepPlan &plan, const std::string &output);
  // Another output of the same rows.
  void SetOutput(const std::string &output);
  // The table's rows, split at TABs, in grid order: those beyond the ones
  // already drawn are added.
  void AddRows(const std::vector<std::vector<std::string>> &rows);

  // What is drawn for a point (NaN while its row has not come), and whether
  // it is marked as not converged.
  double Value(std::size_t point) const;
  bool Marked(std::size_t point) const;
  std::size_t RowsDrawn() const { return rows_.size(); }
  // The ends of the colour bar (two parameters).
  QCPRange ColourRange() const { return map_ ? map_->dataRange() : QCPRange(); }
  // The point drawn under a position of the widget, or -1.
  long PointAt(const QPointF &position) const;
  // The text shown for a point under the mouse: its parameters and results.
  QString PointText(std::size_t point) const;

  // A click on a point: its number in grid order.
  std::function<void(std::size_t)> onPointClicked;

protected:
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  void Redraw();
  void DrawRow(std::size_t point);
  double CellOf(std::size_t point) const;

  SweepPlan plan_;
  std::vector<std::string> columns_; // the table's column names
  std::size_t column_ = 0;           // the column drawn
  std::vector<std::vector<std::string>> rows_;
  std::vector<double> axisValues_[2];
  QCPColorMap *map_ = nullptr;
  QCPColorScale *scale_ = nullptr;
  QCPGraph *line_ = nullptr;
  QCPGraph *crosses_ = nullptr;
  // The lowest and highest value drawn: the colour bar's ends.
  double low_ = 0, high_ = 0;
  bool anyValue_ = false;
};

} // namespace morvane::ui
