// The chart windows' pictures: their charts drawn side by side into a PNG,
// SVG or PDF file.
#pragma once

#include <QString>
#include <vector>

class QChartView;

namespace morvane::ui {

// Draws the given charts side by side, as large as on screen, into a
// picture file whose extension chooses the format: .png (twice the size on
// screen), .svg or .pdf. Throws std::runtime_error naming the file.
void SaveChartPicture(const std::vector<QChartView *> &charts, const QString &fileName);

} // namespace morvane::ui
