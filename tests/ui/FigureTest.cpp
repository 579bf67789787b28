// Figure settings: the PNG's pixels and recorded resolution for a size on the
// page, round axis values, and the last settings kept between runs.
#include "ui/figure/FigureSettings.h"
#include "ui/figure/RoundTicks.h"

#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace morvane::figure;

TEST(Figure, PngHasThePixelsAndRecordsTheResolutionOfItsSizeOnThePage) {
  struct Case {
    double width, height;
    LengthUnit unit;
    int dpi;
    int pixelsX, pixelsY;
  };
  const Case cases[] = {
      {17.0, 8.0, LengthUnit::Cm, 300, 2008, 945}, // the pair's default
      {8.5, 7.0, LengthUnit::Cm, 300, 1004, 827},  // one chart's default
      {3.5, 2.5, LengthUnit::Inch, 600, 2100, 1500},
      {2.54, 2.54, LengthUnit::Cm, 96, 96, 96},
  };
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const Case &c : cases) {
    SCOPED_TRACE(c.dpi);
    FigureSettings settings;
    settings.width = c.width;
    settings.height = c.height;
    settings.unit = c.unit;
    settings.dpi = c.dpi;
    const QSize size = PngPixelSize(settings);
    EXPECT_EQ(size, QSize(c.pixelsX, c.pixelsY));
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    SetResolution(image, c.dpi);
    const QString path = dir.filePath("figure.png");
    WritePng(image, path);
    const QImage read(path);
    EXPECT_EQ(read.size(), size);
    // A PNG keeps whole dots per metre: the dpi read back within rounding.
    EXPECT_NEAR(read.dotsPerMeterX() * 0.0254, c.dpi, 0.02);
    EXPECT_NEAR(read.dotsPerMeterY() * 0.0254, c.dpi, 0.02);
  }
  EXPECT_THROW(WritePng(QImage(4, 4, QImage::Format_ARGB32), dir.filePath("no/such/dir/f.png")),
               std::runtime_error);
}

TEST(Figure, RoundTicksAreOneTwoOrFiveTimesAPowerOfTenAndCoverTheRange) {
  struct Case {
    double low, high;
    int maxTicks;
    double step, scaleLow, scaleHigh;
  };
  const Case cases[] = {
      {0.1186, 0.9491, 5, 0.2, 0.0, 1.0}, // a sweep grid's values
      {0.0, 1.0, 5, 0.2, 0.0, 1.0},       // the fixed frequency scale
      {-0.02, 0.02, 4, 0.01, -0.02, 0.02},
      {0.5, 0.5002, 4, 0.00005, 0.5, 0.5002}, // a p barely moving
      {0.15, 1.0, 5, 0.2, 0.0, 1.0},
      {1.0, 1000000.0, 5, 200000.0, 0.0, 1000000.0},
      {3.0, 3.0, 4, 0.2, 2.6, 3.4}, // a flat line: a range around it
      {0.0, 0.0, 4, 0.5, -1.0, 1.0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.high);
    const RoundScale scale = RoundTicks(c.low, c.high, c.maxTicks);
    EXPECT_DOUBLE_EQ(scale.step, c.step);
    EXPECT_NEAR(scale.low, c.scaleLow, c.step * 1e-9);
    EXPECT_NEAR(scale.high, c.scaleHigh, c.step * 1e-9);
    ASSERT_GE(scale.ticks.size(), 2u);
    EXPECT_LE(int(scale.ticks.size()) - 1, c.maxTicks);
    EXPECT_LE(scale.low, std::min(c.low, c.high));
    EXPECT_GE(scale.high, std::max(c.low, c.high));
    for (const double tick : scale.ticks) {
      const double inSteps = tick / scale.step;
      EXPECT_NEAR(inSteps, std::round(inSteps), 1e-6) << tick;
    }
  }
}

TEST(Figure, LastSettingsAreKeptPerChartCountAndBadOnesGiveTheDefaults) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QSettings store(dir.filePath("settings.ini"), QSettings::IniFormat);
  EXPECT_EQ(LoadFigureSettings(store, FigureCharts::Both).width, 17.0);
  EXPECT_EQ(LoadFigureSettings(store, FigureCharts::Fitness).width, 8.5);

  FigureSettings saved = DefaultFigureSettings(FigureCharts::Both);
  saved.format = FigureFormat::Svg;
  saved.unit = LengthUnit::Inch;
  saved.width = 7.0;
  saved.height = 3.0;
  saved.dpi = 600;
  saved.fontPt = 9.0;
  saved.caption = true;
  StoreFigureSettings(store, saved);
  const FigureSettings loaded = LoadFigureSettings(store, FigureCharts::Both);
  EXPECT_EQ(loaded.format, saved.format);
  EXPECT_EQ(loaded.unit, saved.unit);
  EXPECT_EQ(loaded.width, saved.width);
  EXPECT_EQ(loaded.height, saved.height);
  EXPECT_EQ(loaded.dpi, saved.dpi);
  EXPECT_EQ(loaded.fontPt, saved.fontPt);
  EXPECT_TRUE(loaded.caption);
  // One chart keeps its own size.
  EXPECT_EQ(LoadFigureSettings(store, FigureCharts::Frequencies).width, 8.5);

  store.setValue("figure/pair/dpi", 0);
  store.setValue("figure/pair/width", -3);
  store.setValue("figure/pair/format", 9);
  const FigureSettings repaired = LoadFigureSettings(store, FigureCharts::Both);
  EXPECT_EQ(repaired.dpi, 300);
  EXPECT_EQ(repaired.width, 17.0);
  EXPECT_EQ(repaired.unit, LengthUnit::Cm);
  EXPECT_EQ(repaired.format, FigureFormat::Png);
}
