// What a figure leaving the program is made to: its format, its size on the
// page, the resolution of a PNG, the font size in points, which charts it
// holds and whether a caption names the series' parameters. A figure is laid
// out from these settings, never from the size of a window on screen.
#pragma once

#include <QSize>
#include <QString>

#include "ui/figure/FigureRecord.h"

class QImage;
class QSettings;

namespace morvane::figure {

enum class FigureFormat { Png, Svg, Pdf };
enum class LengthUnit { Cm, Inch };

// Which charts of a series the figure holds.
enum class FigureCharts { Both, Frequencies, Fitness };

struct FigureSettings {
  FigureFormat format = FigureFormat::Png;
  LengthUnit unit = LengthUnit::Cm;
  double width = 17.0; // in `unit`
  double height = 8.0; // in `unit`
  int dpi = 300;       // PNG only; SVG and PDF are drawn at 72 points per inch
  double fontPt = 8.0;
  FigureCharts charts = FigureCharts::Both;
  bool caption = false;
  // A zoomed chart drawn as shown (its zoomed ranges) rather than whole; a
  // choice of one saving, never kept.
  bool asShown = false;
  // What made the figure, recorded in its file: the command is the caller's,
  // the model and parameters are filled in by the figure's writer. Never kept.
  FigureRecord record = {};
};

// The smallest figure: each chart at least kMinChartWidthCm wide, the figure
// at least kMinHeightCm high; every label still fits whole.
inline constexpr double kMinChartWidthCm = 5.0;
inline constexpr double kMinHeightCm = 5.0;
inline constexpr double kMaxLengthCm = 100.0;
// The smallest width of a figure of `charts`, in `unit`.
double MinimumWidth(FigureCharts charts, LengthUnit unit);

// The defaults: 17 x 8 cm for the pair of charts, 8.5 x 7 cm for one.
FigureSettings DefaultFigureSettings(FigureCharts charts);

double LengthInInches(double length, LengthUnit unit);

// The figure's size in pixels of a PNG at the settings' resolution.
QSize PngPixelSize(const FigureSettings &settings);

// Records `dpi` in the image so that the PNG written from it says it.
void SetResolution(QImage &image, int dpi);

// Writes `image` as a PNG; a failure throws std::runtime_error naming `path`
// with the writer's own reason.
void WritePng(const QImage &image, const QString &path);

// The last settings used, kept under the group "figure" of `store`; settings
// never stored, or stored out of range, give the defaults for `charts`.
FigureSettings LoadFigureSettings(QSettings &store, FigureCharts charts);
void StoreFigureSettings(QSettings &store, const FigureSettings &settings);

} // namespace morvane::figure
