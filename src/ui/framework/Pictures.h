// The decorative pictures of the windows: JPEG images embedded as resources
// and decoded with libjpeg.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

class QLabel;

namespace morvane::ui {

// Decodes a JPEG image; a corrupt or truncated one gives a null image (the
// decoder's errors never end the process).
QImage DecodeJpeg(const QByteArray &data);
// Shows the JPEG resource at `resourcePath` (":/pictures/...") in `target`,
// scaled down to fit `bound` when one is given (the picture keeps its
// proportions); a missing or corrupt picture leaves the place empty.
// Returns whether a picture is shown.
bool ShowPicture(QLabel *target, const QString &resourcePath, const QSize &bound = QSize());

} // namespace morvane::ui
