// A window's figure saved as the user asks: the export dialog, then the file
// dialog, then the figure's writer. Every window that saves a figure (the
// chart windows, the plot menu, the sweep window, the phase plane, the
// bifurcation diagram) goes through these steps.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "ui/figure/ExportDialog.h"

class QWidget;

namespace morvane::figure {

struct FigureToSave {
  // The export dialog's choices of charts and the one chosen at first.
  std::vector<ChartChoice> choices;
  FigureCharts initial = FigureCharts::Frequencies;
  // The name offered for the settings chosen, without its extension.
  std::function<QString(const FigureSettings &)> stem;
  // Writes the figure; throws std::runtime_error naming the file.
  std::function<void(const FigureSettings &, const QString &path)> write;
  // What keeps a figure of some settings from being drawn, and whether the
  // dialog asks for the zoomed ranges or the whole.
  ExportDialog::Check check = {};
  bool zoomed = false;
};

// A figure of one chart on the page (the sweep's map, the phase plane, the
// bifurcation diagram): the export dialog offers that chart, under
// `caption`, and the file dialog the name `stem`.
FigureToSave OneChartFigure(const QString &caption, const QString &stem,
                            std::function<void(const FigureSettings &, const QString &path)> write);

// The export dialog, then the file dialog in `folder` (at first the folder
// figures were last saved to, in this session or before; it follows the
// name chosen) offering the stem and the format's extension, then the
// writer. An extension .png, .svg or .pdf typed in the file dialog chooses
// that format, a name without one gets the format's, any other is refused.
// Returns the file written, or "" when a dialog was cancelled. Throws
// std::runtime_error naming the file.
QString SaveFigureFile(QWidget *parent, const FigureToSave &figure, QString &folder);
// The same starting in the folder figures were last saved to.
QString SaveFigureFile(QWidget *parent, const FigureToSave &figure);

} // namespace morvane::figure
