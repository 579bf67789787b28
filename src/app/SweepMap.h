// The map of a sweep: one output as a colour grid over the two varied
// parameters, with named axes, tick labels, a colour scale, and the points
// that did not converge hatched. Drawn with Qt Gui without a display; the
// only part of the sweep that uses Qt.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSize>

#include "batch/Sweep.h"

class QGuiApplication;

namespace morvane {

// The application object that drawing a map needs (its fonts), on the
// offscreen platform, with Qt's notes about the environment kept off stderr.
// A program makes it before it draws a map; nothing here makes one.
class SweepMapApplication {
public:
  SweepMapApplication();
  ~SweepMapApplication();

private:
  std::unique_ptr<QGuiApplication> app_;
};

// The colour of a place on the colour scale, from 0 (low end) to 1.
QColor SweepMapColour(double fraction);

// Where the cell of the point at (x, y) on the two axes lies in a map of
// that size: the first parameter runs left to right, the second bottom to
// top.
QRectF SweepMapCell(const SweepMapData &map, QSize size, std::size_t x, std::size_t y);

// The map drawn on an image of that size.
QImage SweepMapImage(const SweepMapData &map, QSize size);

// Writes the map as PNG or SVG, by the ending of the name, to a new file.
// Throws FileError.
void WriteSweepMap(const SweepMapData &map, const std::string &file, QSize size);

} // namespace morvane
