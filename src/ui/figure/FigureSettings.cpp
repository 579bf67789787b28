#include "ui/figure/FigureSettings.h"

#include <QImage>
#include <QImageWriter>
#include <QSettings>
#include <cmath>
#include <stdexcept>

namespace morvane::figure {

namespace {
constexpr double kCmPerInch = 2.54;
constexpr double kMetresPerInch = 0.0254;
} // namespace

FigureSettings DefaultFigureSettings(FigureCharts charts) {
  FigureSettings settings;
  settings.charts = charts;
  if (charts != FigureCharts::Both) {
    settings.width = 8.5;
    settings.height = 7.0;
  }
  return settings;
}

double MinimumWidth(FigureCharts charts, LengthUnit unit) {
  const double cm = kMinChartWidthCm * (charts == FigureCharts::Both ? 2 : 1);
  return unit == LengthUnit::Cm ? cm : cm / kCmPerInch;
}

double LengthInInches(double length, LengthUnit unit) {
  return unit == LengthUnit::Cm ? length / kCmPerInch : length;
}

QSize PngPixelSize(const FigureSettings &settings) {
  return {int(std::lround(LengthInInches(settings.width, settings.unit) * settings.dpi)),
          int(std::lround(LengthInInches(settings.height, settings.unit) * settings.dpi))};
}

void SetResolution(QImage &image, int dpi) {
  const int perMetre = int(std::lround(dpi / kMetresPerInch));
  image.setDotsPerMeterX(perMetre);
  image.setDotsPerMeterY(perMetre);
}

void WritePng(const QImage &image, const QString &path) {
  QImageWriter writer(path, "png");
  if (!writer.write(image))
    throw std::runtime_error("Cannot write " + path.toStdString() + ": " +
                             writer.errorString().toStdString());
}

FigureSettings LoadFigureSettings(QSettings &store, FigureCharts charts) {
  const FigureSettings defaults = DefaultFigureSettings(charts);
  FigureSettings settings = defaults;
  store.beginGroup(charts == FigureCharts::Both ? "figure/pair" : "figure/one");
  const int format = store.value("format", int(defaults.format)).toInt();
  const int unit = store.value("unit", int(defaults.unit)).toInt();
  const double width = store.value("width", defaults.width).toDouble();
  const double height = store.value("height", defaults.height).toDouble();
  const int dpi = store.value("dpi", defaults.dpi).toInt();
  const double fontPt = store.value("fontPt", defaults.fontPt).toDouble();
  settings.caption = store.value("caption", defaults.caption).toBool();
  store.endGroup();
  if (format >= 0 && format <= int(FigureFormat::Pdf))
    settings.format = FigureFormat(format);
  // Width and height only together with the unit they were stored in.
  const bool knownUnit = unit >= 0 && unit <= int(LengthUnit::Inch);
  if (knownUnit && width > 0 && height > 0 && width <= 1000 && height <= 1000) {
    settings.unit = LengthUnit(unit);
    settings.width = width;
    settings.height = height;
  }
  if (dpi >= 36 && dpi <= 2400)
    settings.dpi = dpi;
  if (fontPt >= 4 && fontPt <= 36)
    settings.fontPt = fontPt;
  return settings;
}

void StoreFigureSettings(QSettings &store, const FigureSettings &settings) {
  store.beginGroup(settings.charts == FigureCharts::Both ? "figure/pair" : "figure/one");
  store.setValue("format", int(settings.format));
  store.setValue("unit", int(settings.unit));
  store.setValue("width", settings.width);
  store.setValue("height", settings.height);
  store.setValue("dpi", settings.dpi);
  store.setValue("fontPt", settings.fontPt);
  store.setValue("caption", settings.caption);
  store.endGroup();
}

} // namespace morvane::figure
