// The bifurcation diagram: the branches of equilibria of a continuation, one
// quantity (p, q, DG or Fit; a clone frequency for clones) against the varied
// parameter, drawn with QCustomPlot. Stable stretches are solid, unstable
// ones dashed, neutral ones dotted; each event carries a symbol of its own,
// and a key names the styles and events drawn. The same drawing serves the
// bifurcation window, the figure it saves and morvane-plot --bifurcation.
#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include <qcustomplot.h>

#include "analysis/AnalysisTables.h"
#include "ui/figure/FigureSettings.h"

namespace morvane::figure {

// The quantities a diagram can show: p, q, DG, Fit, or the four clone
// frequencies; their index is BranchRow::measures'.
std::vector<std::string> BifurcationQuantities(bool clonal);

class BifurcationFigure {
public:
  explicit BifurcationFigure(QCustomPlot &plot) : plot_(plot) {}

  // Draws `table`'s branches of the quantity `quantity` (an index into
  // BifurcationQuantities); the table is kept.
  void Draw(analysis::BranchTable table, std::size_t quantity);
  // Every text of the figure at this size (in the plot's units); 0 keeps the
  // widget's fonts.
  void SetTextSize(double size);

  const analysis::BranchTable &Table() const { return table_; }
  std::size_t Quantity() const { return quantity_; }

  // The row drawn nearest a position of the plot, within `reach` pixels:
  // among the events' rows only, or among every row; -1 for none.
  long RowAt(const QPointF &position, double reach, bool eventsOnly) const;
  // Where a row is drawn, in the plot's pixels.
  QPointF PixelOf(std::size_t row) const;
  // An event's row in words: "branch point at c = 0.4 (p = 0)".
  QString RowText(std::size_t row) const;

private:
  void Build();

  QCustomPlot &plot_;
  analysis::BranchTable table_;
  std::size_t quantity_ = 0;
  double textSize_ = 0;
};

// Whether the figure at the settings' size and font would have to cut a
// label: then the least width and height it needs, in the settings' unit.
std::optional<QSizeF> BifurcationFigureNeeds(const analysis::BranchTable &table,
                                             std::size_t quantity, const FigureSettings &settings);

// Writes the figure to `path` in the format, size, resolution and font size
// of `settings`; with the caption, the command that made the table under it.
// Throws std::runtime_error naming `path` with the reason (a figure too small
// for its labels too, with the size it needs).
void WriteBifurcationFigure(const analysis::BranchTable &table, std::size_t quantity,
                            const FigureSettings &settings, const QString &path);

} // namespace morvane::figure
