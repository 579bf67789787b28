// The figure of a sweep, drawn with QCustomPlot from its table: over two
// varied parameters a colour map of one output with its colour bar, over one
// a diagram of the final p, q, DG (and Fit for diploids) or of the clone
// frequencies against the parameter. Points that did not converge carry a
// cross (on a fine map, their cells are paled); every axis and the colour bar
// have round ticks. The same drawing serves the sweep window's live map, the
// figure it saves and the map of morvane-sweep.
#pragma once

#include <QSizeF>
#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <qcustomplot.h>

#include "sweep/SweepOptions.h"
#include "ui/figure/FigureSettings.h"

namespace morvane::figure {

// A sweep's table read back: its plan and its rows, split at TABs, in grid
// order. Throws UsageError naming `tableName` when the table is none.
struct SweepTable {
  SweepPlan plan;
  std::vector<std::vector<std::string>> rows;
};
SweepTable ParseSweepTable(const std::string &content, const std::string &tableName);

// The outputs a one-parameter diagram draws when `output` is chosen: T alone,
// or the frequencies with DG (and Fit for diploids), or the four clone
// frequencies.
std::vector<std::string> DiagramOutputs(Model model, const std::string &output);

// The sweep in a figure legend's words: the model, the values common to every
// point, the choices, the ranges and the grid ("Diploids, local panmixia;
// W1(A) = 0.9, ...; c from 0.1 to 0.9, x from 0 to 1; 41 x 21 points").
QString SweepLegend(const SweepPlan &plan);

// The map's colours: a sequential scale (frequencies, T) and a diverging one
// centred on the middle of its range (DG, Fit below 0).
QCPColorGradient SequentialGradient();
QCPColorGradient DivergingGradient();

// Axis values of 1, 2 or 5 times a power of ten.
class RoundTicker : public QCPAxisTicker {
protected:
  double getTickStep(const QCPRange &range) override;
};

class SweepFigure {
public:
  explicit SweepFigure(QCustomPlot &plot) : plot_(plot) {}

  // A new sweep: its grid, and the output shown (a column of its table).
  void SetPlan(const SweepPlan &plan, const std::string &output);
  // Another output of the same rows.
  void SetOutput(const std::string &output);
  // The table's rows in grid order: those beyond the ones already drawn are
  // added.
  void AddRows(const std::vector<std::vector<std::string>> &rows);
  // The next rows in grid order, taken over.
  void AppendRows(std::vector<std::vector<std::string>> &&rows);
  // Every text of the figure at this size (in the plot's units); 0 keeps the
  // widget's fonts.
  void SetTextSize(double size);

  // What is drawn for a point of the shown output (NaN while its row has not
  // come), and whether it carries the cross of a point not converged.
  double Value(std::size_t point) const;
  bool Marked(std::size_t point) const;
  std::size_t RowsDrawn() const { return rows_.size(); }
  const SweepPlan &Plan() const { return plan_; }
  const std::string &Output() const { return output_; }
  const std::vector<std::vector<std::string>> &Rows() const { return rows_; }
  // The ends of the colour bar (two parameters).
  QCPRange ColourRange() const { return map_ ? map_->dataRange() : QCPRange(); }
  // The point drawn under a position of the plot, or -1.
  long PointAt(const QPointF &position) const;
  // A point's parameters and results, one "name = value" a line.
  QString PointText(std::size_t point) const;

private:
  // One output drawn against the parameter, its crosses apart.
  struct Line {
    std::size_t column;
    QCPGraph *graph;
    QCPGraph *crosses;
  };

  void Build();
  void BuildMap(QCPAxisRect *rect);
  void BuildDiagram(QCPAxisRect *first);
  void DrawRow(std::size_t point);
  // The colour bar's scale for the output shown (see the .cpp).
  void ChooseColourScale(bool negativeFit);
  void Rescale();
  std::size_t ColumnOf(const std::string &name) const;
  bool Converged(std::size_t point) const;
  // The value a row gives the output shown: a category's index for "class"
  // and "stableCount".
  double CellValue(const std::vector<std::string> &row) const;
  // A category drawn: its entry in the legend, once.
  void ShowCategory(int k);
  // The lines between cells of two classes.
  void DrawContours();

  QCustomPlot &plot_;
  SweepPlan plan_;
  std::string output_;
  std::vector<std::string> columns_; // the table's column names
  std::vector<std::vector<std::string>> rows_;
  std::vector<double> axisValues_[2];
  double textSize_ = 0;
  QCPTextElement *title_ = nullptr;
  QCPLegend *legend_ = nullptr;
  QCPColorMap *map_ = nullptr;
  QCPColorScale *scale_ = nullptr;
  QCPCurve *contours_ = nullptr;            // class maps: lines between classes
  std::vector<QCPGraph *> categoryEntries_; // a class map's legend entries
  std::vector<bool> categoryDrawn_;         // the categories drawn so far
  QCPGraph *mapCrosses_ = nullptr;          // or, on a fine grid:
  QCPColorMap *paled_ = nullptr;
  std::vector<Line> lines_;
  std::size_t shownLine_ = 0;
  double low_ = 0, high_ = 0; // the values drawn on the map
  bool anyValue_ = false, anyCut_ = false;
  bool fitNegative_ = false; // Fit's map has a negative value: centred on 0
};

// Whether the figure of a sweep's rows at the settings' size and font would
// have to cut a label (the legend, a tick, the caption, a panel under two
// lines of text): then the least width and height it needs, in the
// settings' unit; nothing when it fits.
std::optional<QSizeF> SweepFigureNeeds(const SweepPlan &plan,
                                       const std::vector<std::vector<std::string>> &rows,
                                       const std::string &output, const FigureSettings &settings);

// Writes the figure of a sweep's rows, showing `output`, to `path` in the
// format, size, resolution and font size of `settings` (a PNG records its
// resolution). Throws std::runtime_error naming `path` with the reason; a
// figure that would cut its labels is refused so, with the size it needs.
void WriteSweepFigure(const SweepPlan &plan, const std::vector<std::vector<std::string>> &rows,
                      const std::string &output, const FigureSettings &settings,
                      const QString &path);

// A figure of QCustomPlot laid out on `plot` from the settings: sized to
// the page in points (72 to the inch), its text at the settings' size. What
// it returns (the object that draws the figure, if any) is kept as long as
// the plot is used.
using PlotLayOut =
    std::function<std::shared_ptr<void>(QCustomPlot &plot, const FigureSettings &settings)>;

// As SweepFigureNeeds, for any figure so laid out.
std::optional<QSizeF> PlotFigureNeeds(const FigureSettings &settings, const PlotLayOut &layOut);

// As WriteSweepFigure, for any figure so laid out; `title` names the
// drawing, `record` says what made it (in every format).
void WritePlotFigure(const FigureSettings &settings, const PlotLayOut &layOut, const QString &title,
                     const FigureRecord &record, const QString &path);

// Under the figure, `words` wrapped at words to the figure's width (in
// points), at `fontPt`.
void AddCaption(QCustomPlot &plot, const QString &words, double fontPt, double width);

// The symbol of a parameter or output as the windows and files name it
// ("W1A" is W1(A), "fAB" is f(AB)).
QString Symbol(const std::string &name);

} // namespace morvane::figure
