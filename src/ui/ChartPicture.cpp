#include "ChartPicture.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <stdexcept>

#include "files/TextFile.h"

namespace morvane::ui {
namespace {

std::runtime_error SaveFailure(const QString &fileName, const QString &why) {
  return std::runtime_error(
      QStringLiteral("Cannot save the chart to %1:\n%2").arg(fileName, why).toStdString());
}

QSize SideBySide(const std::vector<QChartView *> &charts) {
  QSize size(0, 0);
  for (QChartView *view : charts)
    size = QSize(size.width() + view->width(), std::max(size.height(), view->height()));
  return size;
}

// The charts side by side, drawn as vector graphics at any scale.
void Paint(QPainter &painter, const std::vector<QChartView *> &charts) {
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  qreal left = 0;
  for (QChartView *view : charts) {
    view->scene()->render(&painter, QRectF(left, 0, view->width(), view->height()),
                          view->sceneRect());
    left += view->width();
  }
}

void WritePng(QBuffer &buffer, const std::vector<QChartView *> &charts, QSize size,
              const QString &fileName) {
  QImage image(size * 2, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(2);
  image.fill(charts.front()->chart()->backgroundBrush().color());
  {
    QPainter painter(&image);
    Paint(painter, charts);
  }
  QImageWriter writer(&buffer, "png");
  if (!writer.write(image))
    throw SaveFailure(fileName, writer.errorString());
}

void WriteSvg(QBuffer &buffer, const std::vector<QChartView *> &charts, QSize size,
              const QString &fileName) {
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  svg.setTitle(QFileInfo(fileName).completeBaseName());
  svg.setDescription(QStringLiteral("Morvane v2"));
  QPainter painter(&svg);
  Paint(painter, charts);
}

void WritePdf(QBuffer &buffer, const std::vector<QChartView *> &charts, QSize size,
              const QString &fileName) {
  QPdfWriter pdf(&buffer);
  // One page the size of the charts, at the screen's 96 dots per inch.
  pdf.setResolution(96);
  pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / 96.0, QPageSize::Point));
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  pdf.setCreator(QStringLiteral("Morvane v2"));
  pdf.setTitle(QFileInfo(fileName).completeBaseName());
  QPainter painter(&pdf);
  Paint(painter, charts);
}

} // namespace

void SaveChartPicture(const std::vector<QChartView *> &charts, const QString &fileName) {
  const QString format = QFileInfo(fileName).suffix().toLower();
  if (format != "png" && format != "svg" && format != "pdf")
    throw SaveFailure(fileName, QStringLiteral("the name must end in .png, .svg or .pdf."));
  const QSize size = SideBySide(charts);
  if (size.isEmpty())
    throw SaveFailure(fileName, QStringLiteral("the chart has no size."));

  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const auto write = format == "png" ? WritePng : format == "svg" ? WriteSvg : WritePdf;
  write(buffer, charts, size, fileName);
  buffer.close();
  try {
    const std::string path = QFile::encodeName(fileName).toStdString();
    CreateEmptyFile(path);
    AppendToFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  } catch (const FileError &e) {
    throw SaveFailure(fileName, QString::fromUtf8(e.what()));
  }
}

} // namespace morvane::ui
