// The figure of a series as it leaves the program: its charts laid out at
// the size, resolution and font size of the figure settings, never at the
// size of a window, with an optional caption naming the series' parameters,
// written as PNG, SVG or PDF. The chart windows' "Save chart..." and
// morvane-plot both write through here, so the same series and settings give
// the same file.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QWidget;
#include <memory>
#include <optional>
#include <vector>

#include "files/SeriesReader.h"
#include "ui/figure/ChartSetUp.h"
#include "ui/figure/FigureSettings.h"

namespace morvane::ui {

// One series of a figure: its parameters (a Plot file has none), its
// points, and where it comes from ("trace.gnr, series 2"), which names it
// beside others when their parameters are the same.
struct FigureSeries {
  SeriesParameters parameters;
  std::shared_ptr<const PlotTable> table;
  QString origin;
  // Where its reruns started, when known (the current series only).
  std::vector<SimState::RerunStart> reruns = {};
  // The options of morvane-plot that read it ("--detail", FILE, "--series",
  // N), when a file holds it whole; empty otherwise.
  QStringList source = {};
};

// The ranges of both axes of a chart as zoomed in its window.
struct ShownRange {
  double xMin, xMax, yMin, yMax;
};

// A figure of one series, or of several drawn together: each series in a
// colour of its own, its lines dashed as in a figure of one, named in the
// legend by what differs between the series.
struct SeriesFigure {
  bool clonal = false;
  std::vector<FigureSeries> series;
  // Per chart of the series, whether its left axis is fitted to the data
  // (round limits around the lines) instead of its fixed scale.
  std::vector<bool> fitY;
  // Per chart, the range of a zoomed chart window, drawn instead of the whole
  // series when the figure is saved "as shown".
  std::vector<std::optional<ShownRange>> shown = {};
};

// The model of a series as the main window's options name it, from the
// Ploidy and Reproduction of its header ("Haploids with local panmixia").
QString ModelName(const std::string &ploidy, const std::string &reproduction);

// "x = 0.5, d = 1, c = 0.5, i = 1, j = 1, W1(A) = ..., no trade-off, no ESS".
QString ParameterSummary(const SeriesParameters &p);

// "Haploids with local panmixia: x = 0.5, d = 1, c = 0.5, i = 1, j = 1,
// W1(A) = ..., no trade-off, no ESS"; a series without parameters is named by
// its Plot file.
QString SeriesCaption(const SeriesParameters &p);

// The caption of a figure: what all its series share, stated once (the
// model, parameters, initial state p0, q0, DG0 or the clone frequencies, and
// L when known), each name kept on one line with its value.
QString CommonCaption(const std::vector<FigureSeries> &series);

// The names of series drawn together: what differs between them (the model,
// parameters, initial state, L: "c = 0.55", "c = 0.6"), or where they come
// from when nothing does; series that even that does not tell apart are
// numbered ("trace.gnr, series 1 (2)").
QStringList SeriesLabels(const std::vector<FigureSeries> &series);

// One line of a chart drawing a figure's series: which series it draws, the
// chart's line it follows (column and dashes), in the series' own colour when
// several are drawn together, and its name in the legend ("p", or
// "p, c = 0.55" beside other series).
struct FigureLine {
  std::size_t series;
  LineDesign line;
  QString name;
  Marker marker = Marker::None; // of a series drawn together with others
};

// The chart `design` as drawn for `figure`: the DG and Fit chart of
// haploids alone, who have no Fit, is titled by DG alone.
ChartDesign DrawnDesign(const SeriesFigure &figure, const ChartDesign &design);

// The lines of the chart `design` for every series of `figure`, series by
// series, as both the figures and the chart windows draw them. A haploid's
// Fit, always 0, is left out.
std::vector<FigureLine> FigureLines(const SeriesFigure &figure, const ChartDesign &design);

// Why the figure cannot be drawn at these settings (too small for its
// labels, keys or caption, with the size it needs), or "".
QString SeriesFigureProblem(const SeriesFigure &figure, const figure::FigureSettings &settings);

// The figure's bytes in the settings' format. Throws std::runtime_error when
// the figure cannot be drawn.
QByteArray SeriesFigureBytes(const SeriesFigure &figure, const figure::FigureSettings &settings);

// Writes the figure to `fileName`; a failure throws std::runtime_error
// naming the file with the reason.
void WriteSeriesFigure(const SeriesFigure &figure, const figure::FigureSettings &settings,
                       const QString &fileName);

// "Save chart...": the export dialog opened on `charts` and the last
// settings, refusing there what cannot be drawn, then the file dialog in
// `folder` (which follows the name chosen) offering `baseName` and the
// charts chosen as the name ("series-2-frequencies.png"); an extension .png,
// .svg or .pdf typed there chooses that format. Returns the file written, or
// "" when a dialog was cancelled. Throws std::runtime_error naming the file.
QString SaveFigureAs(QWidget *parent, const SeriesFigure &figure, figure::FigureCharts charts,
                     const QString &baseName, QString &folder);

} // namespace morvane::ui
