#include "ui/figure/FigureBytes.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QSvgRenderer>
#include <cmath>
#include <stdexcept>

namespace morvane::figure {

namespace {

// SVG pages are given in hundredths of the drawing's unit: exact to 0.001 mm
// for any unit of at most a point, where whole points would be up to 0.18 mm
// off.
constexpr int kPageSteps = 100;

// A PDF page of `points` (of 1/72 inch), without margins. The writer still
// records the page's box in whole points; ExactMediaBox, on the written
// bytes, gives it the size asked for.
void SetExactPage(QPdfWriter &pdf, QSizeF points) {
  pdf.setPageSize(
      QPageSize(points * (25.4 / 72), QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
}

// The PDF writer gives the page's box in whole points (482 x 227 for 17 x 8
// cm, 170.04 x 80.08 mm): it is written again at the size asked for, in as
// many characters, so that no offset of the file moves.
void ExactMediaBox(QByteArray &pdf, QSizeF points) {
  static const QByteArray key = "/MediaBox [0 0 ";
  const qsizetype start = pdf.indexOf(key);
  const qsizetype end = start < 0 ? -1 : pdf.indexOf(']', start);
  if (end < 0)
    return;
  const QByteArray exact = key + QByteArray::number(points.width(), 'f', 6) + ' ' +
                           QByteArray::number(points.height(), 'f', 6);
  if (exact.size() == end - start)
    pdf.replace(start, end - start, exact);
}

const std::runtime_error kDrawingFailed("the drawing failed");

QByteArray PngBytes(QImage &image, const FigureSettings &s, const FigureRecord &record) {
  SetResolution(image, s.dpi);
  RecordInImage(image, record);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  if (!writer.write(image))
    throw std::runtime_error(writer.errorString().toStdString());
  return bytes;
}

} // namespace

QSizeF PageInPoints(const FigureSettings &s) {
  return {LengthInInches(s.width, s.unit) * 72, LengthInInches(s.height, s.unit) * 72};
}

std::function<bool(QPaintDevice &, QSizeF)> PaintWith(std::function<void(QPainter &)> draw) {
  return [draw = std::move(draw)](QPaintDevice &device, QSizeF scale) {
    QPainter painter(&device);
    if (scale != QSizeF(1, 1))
      painter.scale(scale.width(), scale.height());
    draw(painter);
    return painter.end();
  };
}

QByteArray FigureBytes(const FigureSettings &s, const FigureDrawing &drawing, const QString &title,
                       const FigureRecord &record) {
  const QSizeF points = PageInPoints(s);
  const QSizeF units = points * drawing.unitsPerPoint;
  const int perInch = int(std::lround(72 * drawing.unitsPerPoint));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  switch (s.format) {
  case FigureFormat::Png: {
    const QSize pixels = PngPixelSize(s);
    if (drawing.pngFromSvg) {
      FigureSettings svg = s;
      svg.format = FigureFormat::Svg;
      QSvgRenderer renderer(FigureBytes(svg, drawing, title, record));
      QImage image(pixels, QImage::Format_ARGB32);
      if (image.isNull())
        throw std::runtime_error("The picture is too large for the memory.");
      image.fill(Qt::white);
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      renderer.render(&painter);
      if (!painter.end())
        throw kDrawingFailed;
      return PngBytes(image, s, record);
    }
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
      throw std::runtime_error("The picture is too large for the memory.");
    image.fill(Qt::white);
    if (!drawing.paint(image,
                       QSizeF(pixels.width() / units.width(), pixels.height() / units.height())))
      throw kDrawingFailed;
    return PngBytes(image, s, record);
  }
  case FigureFormat::Svg: {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setResolution(perInch * kPageSteps);
    svg.setSize(QSize(int(std::lround(units.width() * kPageSteps)),
                      int(std::lround(units.height() * kPageSteps))));
    svg.setViewBox(QRectF(QPointF(0, 0), units));
    svg.setTitle(title);
    svg.setDescription(RecordText(record));
    if (!drawing.paint(svg, QSizeF(1, 1)))
      throw kDrawingFailed;
    break;
  }
  case FigureFormat::Pdf: {
    QPdfWriter pdf(&buffer);
    pdf.setResolution(perInch);
    // A page in points is rounded to whole points: in millimetres it is not.
    SetExactPage(pdf, points);
    pdf.setCreator(SoftwareName());
    pdf.setTitle(title);
    pdf.setDocumentXmpMetadata(RecordXmp(title, record));
    if (!drawing.paint(pdf, QSizeF(1, 1)))
      throw kDrawingFailed;
    buffer.close();
    ExactMediaBox(bytes, points);
    return bytes;
  }
  }
  buffer.close();
  return bytes;
}

void WriteFigure(const FigureSettings &settings, const FigureDrawing &drawing, const QString &title,
                 const FigureRecord &record, const QString &path) {
  QByteArray bytes;
  try {
    bytes = FigureBytes(settings, drawing, title, record);
  } catch (const std::runtime_error &e) {
    throw std::runtime_error("Cannot write " + path.toStdString() + ": " + e.what());
  }
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
      !file.flush())
    throw std::runtime_error("Cannot write " + path.toStdString() + ": " +
                             file.errorString().toStdString());
}

} // namespace morvane::figure
