// What the two chart windows share: their charts, the fill on every
// activation, from the current series (the state and its Plot file) or from a
// series the plot menu read back from a file, saving the charts as pictures,
// the way back to the main window and Help.
#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "files/SeriesReader.h"
#include "ui/figure/ChartSetUp.h"
#include "ui/figure/FigureSettings.h"
#include "ui/figure/SeriesFigure.h"
#include "ui/framework/MorvaneForm.h"

class QAction;
class QChartView;
class QLabel;
class QLineEdit;
class QAbstractSeries;
class QLineSeries;
class QPushButton;
class QValueAxis;

namespace morvane::ui {

// A series read back from a file, as the plot menu hands it to a chart
// window: the parameters of its own header, its points, a line for the
// window's status bar saying where it comes from, and the short name that
// tells it apart beside other series when no parameter does
// ("trace.gnr, series 2").
struct StoredSeries {
  SeriesParameters Parameters;
  std::shared_ptr<const PlotTable> Table;
  QString Origin;
  QString Name;
};

class PlotForm : public MorvaneForm {
  Q_OBJECT

public:
  // The plot menu: shows the window drawing `series` (several together, each
  // in its own colour, as in their figure) instead of the current series.
  // Coming back to the window later draws them again; being shown by another
  // window (Stop) draws the current series.
  void ShowStoredSeries(std::vector<StoredSeries> series);

  // The text of the status bar: what was drawn, or why not everything.
  QString StatusText() const;

protected:
  explicit PlotForm(QWidget *parent = nullptr);

  // Makes the chart shown by `view` after `design` on the `panel` colour:
  // title, the fixed left axis, the bottom axis "Generations T", and its
  // lines, which draw the design's columns of the table.
  void SetUpChart(QChartView *view, const ChartDesign &design, const QColor &panel);
  // The controls every chart window has. `displays` are the parameter
  // fields in the order they are filled: x, c, d, i, j, W1(A), W1(a), W2(A),
  // W2(a), trade-off, ESS, (ploidy, reproduction,) Final, Detail and Plot
  // file names.
  void SetUpWindow(QPushButton *save, QPushButton *quit, QAction *help,
                   std::vector<QLineEdit *> displays);

  void FormActivate() override;
  bool event(QEvent *e) override;
  bool eventFilter(QObject *watched, QEvent *e) override;

private:
  struct Loaded {
    std::vector<FigureSeries> series;
    QString note;
  };
  // The fill: clear every line, show the parameters, load the series (a
  // failure leaves the charts empty and is reported), draw them.
  void Fill(const std::vector<SeriesParameters> &parameters, const std::function<Loaded()> &load);
  // The parameters of the series drawn; one that differs between them is
  // left blank (the legend names it).
  void ShowParameters(const std::vector<SeriesParameters> &parameters);
  // The window's own lines draw the first series; the others get lines of
  // their own, made anew on every draw.
  void Draw(const std::vector<FigureSeries> &series);
  void UpdateBottomAxis(QChartView *view);
  struct Chart;
  // The left axis: the chart's fixed scale, or with "Fit y to data" round
  // limits and ticks around the lines drawn.
  void UpdateLeftAxis(Chart &chart);
  // "Save chart...": the export dialog, opened on `charts`, then the file.
  void SaveChartsAs(figure::FigureCharts charts);
  // The series shown, as its figure is drawn.
  SeriesFigure ShownFigure() const;
  // "Export data...": the points drawn, as CSV, into a folder of its own.
  void ExportData();
  void QuitClick();
  // The name a saved file starts with: "series" for the current series,
  // "trace-series-2" for the second of trace.gnr, "series-together".
  QString ExportName() const;

  struct Chart {
    QChartView *view;
    QValueAxis *axisX;
    QValueAxis *axisY;
    const ChartDesign *design;
    bool fitY = false;
  };
  struct DrawnLine {
    QLineSeries *series;
    LineDesign line;
    std::size_t chart; // of charts_
  };
  std::vector<Chart> charts_;
  std::vector<DrawnLine> lines_;
  std::vector<QAbstractSeries *> otherLines_; // of the series after the first, keys, markers
  std::vector<QAction *> exportActions_;
  std::vector<QLineEdit *> displays_;
  QLabel *status_ = nullptr;
  QPushButton *quit_ = nullptr;
  QString quitText_;
  QString saveFolder_;
  QString dataFolder_;
  std::vector<FigureSeries> drawn_;          // for the figure and "Export data..."
  std::vector<SimState::RerunStart> reruns_; // of the current series
  std::optional<std::vector<StoredSeries>> pending_;
  std::optional<std::vector<StoredSeries>> shown_;
  bool returning_ = false;
  double xMin_ = 0;
  double xMax_ = 1;
};

} // namespace morvane::ui
