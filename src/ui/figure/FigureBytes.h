// A figure's file in each format, whatever draws it: a PNG of the settings'
// pixels recording its resolution, an SVG and a PDF whose pages are the size
// asked for to a thousandth of a millimetre, each holding the record of what
// made it. The series, sweep, phase plane and bifurcation figures all leave
// through here.
#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <functional>

#include "ui/figure/FigureRecord.h"
#include "ui/figure/FigureSettings.h"

class QPaintDevice;
class QPainter;

namespace morvane::figure {

// The settings' page in points (72 to the inch), unrounded.
QSizeF PageInPoints(const FigureSettings &settings);

// How a figure is drawn: in units of 1 / unitsPerPoint of a point, the page
// being PageInPoints * unitsPerPoint units across. `paint` begins its own
// painter on `device`, scales it by `scale` (the device's pixels per unit,
// 1 x 1 for SVG and PDF) unless that is 1 x 1, draws and ends it; false when
// the painter failed.
struct FigureDrawing {
  double unitsPerPoint = 1;
  std::function<bool(QPaintDevice &device, QSizeF scale)> paint;
  // The PNG is the SVG rendered at the PNG's size rather than drawn on a
  // scaled painter: a layout worked out at the page's size in points keeps
  // its text boxes whole.
  bool pngFromSvg = false;
};

// A paint for FigureDrawing that draws with `draw` on a QPainter of its own,
// begun on the device and scaled as asked.
std::function<bool(QPaintDevice &device, QSizeF scale)>
PaintWith(std::function<void(QPainter &painter)> draw);

// The figure's bytes in the settings' format, `title` naming the drawing of
// an SVG or PDF. Throws std::runtime_error with the reason when it cannot be
// drawn.
QByteArray FigureBytes(const FigureSettings &settings, const FigureDrawing &drawing,
                       const QString &title, const FigureRecord &record);

// FigureBytes written to `path`; throws std::runtime_error naming `path`
// with the reason.
void WriteFigure(const FigureSettings &settings, const FigureDrawing &drawing, const QString &title,
                 const FigureRecord &record, const QString &path);

} // namespace morvane::figure
