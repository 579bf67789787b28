// Figure settings: the PNG's pixels and recorded resolution for a size on the
// page, round axis values, and the last settings kept between runs.
#include "ui/figure/FigureOptions.h"
#include "ui/figure/FigureSettings.h"
#include "ui/figure/RoundTicks.h"

#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <stdexcept>
#include <tuple>

using namespace morvane::figure;

TEST(Figure, PngHasThePixelsAndRecordsTheResolutionOfItsSizeOnThePage) {
  const struct {
    FigureSettings settings; // format, unit, width, height, dpi
    QSize pixels;
  } cases[] = {
      {{FigureFormat::Png, LengthUnit::Cm, 17.0, 8.0, 300}, {2008, 945}}, // the pair's default
      {{FigureFormat::Png, LengthUnit::Cm, 8.5, 7.0, 300}, {1004, 827}},  // one chart's default
      {{FigureFormat::Png, LengthUnit::Inch, 3.5, 2.5, 600}, {2100, 1500}},
      {{FigureFormat::Png, LengthUnit::Cm, 2.54, 2.54, 96}, {96, 96}},
  };
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const auto &c : cases) {
    const int dpi = c.settings.dpi;
    SCOPED_TRACE(dpi);
    const QSize size = PngPixelSize(c.settings);
    EXPECT_EQ(size, c.pixels);
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    SetResolution(image, dpi);
    const QString path = dir.filePath("figure.png");
    WritePng(image, path);
    const QImage read(path);
    EXPECT_EQ(read.size(), size);
    // A PNG keeps whole dots per metre: the dpi read back within rounding.
    EXPECT_NEAR(read.dotsPerMeterX() * 0.0254, dpi, 0.02);
    EXPECT_NEAR(read.dotsPerMeterY() * 0.0254, dpi, 0.02);
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

  const FigureSettings saved{
      FigureFormat::Svg, LengthUnit::Inch, 7.0, 3.0, 600, 9.0, FigureCharts::Both, true};
  StoreFigureSettings(store, saved);
  const FigureSettings loaded = LoadFigureSettings(store, FigureCharts::Both);
  const auto fields = [](const FigureSettings &f) {
    return std::make_tuple(f.format, f.unit, f.width, f.height, f.dpi, f.fontPt, f.caption);
  };
  EXPECT_EQ(fields(loaded), fields(saved));
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

TEST(Figure, CommandLineOptionsGiveTheSettingsAndLeaveTheOthers) {
  const auto fields = [](const FigureSettings &f) {
    return std::make_tuple(f.format, f.unit, f.width, f.height, f.dpi, f.fontPt, f.charts,
                           f.caption);
  };
  const struct {
    std::vector<std::string> args;
    FigureSettings settings; // format, unit, width, height, dpi, font, charts, caption
    std::vector<std::string> rest;
  } cases[] = {
      {{"--detail", "a.gnr", "-o", "f.PNG"},
       DefaultFigureSettings(FigureCharts::Both),
       {"--detail", "a.gnr"}},
      {{"--charts=fitness", "--output", "f.pdf", "--series", "2"},
       {FigureFormat::Pdf, LengthUnit::Cm, 8.5, 7, 300, 8, FigureCharts::Fitness},
       {"--series", "2"}},
      // Lengths in the unit given wherever it stands; the defaults converted.
      {{"--width", "7", "--unit", "in", "--dpi=600", "--font", "9.5", "--caption", "-o", "f",
        "--format", "svg"},
       {FigureFormat::Svg, LengthUnit::Inch, 7, 8 / 2.54, 600, 9.5, FigureCharts::Both, true},
       {}},
  };
  for (const auto &c : cases) {
    std::vector<std::string> args = c.args;
    const FigureOptions o = ParseFigureOptions(args);
    EXPECT_EQ(fields(o.settings), fields(c.settings)) << c.args[1];
    EXPECT_EQ(args, c.rest);
  }
  const struct {
    std::vector<std::string> args;
    const char *message;
  } refused[] = {
      {{"--detail", "a.gnr"}, "-o names"},
      {{"-o", "f.jpg"}, ".png, .svg or .pdf"},
      {{"-o", "f.png", "--format", "gif"}, "png, svg or pdf"},
      {{"-o", "f.png", "--dpi", "20"}, "--dpi needs a number from 36 to 2400"},
      {{"-o", "f.png", "--width", "9"}, "at least 10"},
      {{"-o", "f.png", "--charts", "fitness", "--height", "4"}, "at least 5"},
      {{"-o", "f.png", "--charts", "maps"}, "both, frequencies or fitness"},
      {{"-o", "f.png", "--font"}, "--font needs a value"},
  };
  for (const auto &r : refused) {
    std::vector<std::string> args = r.args;
    try {
      ParseFigureOptions(args);
      ADD_FAILURE() << "accepted: " << r.message;
    } catch (const FigureOptionError &e) {
      EXPECT_NE(std::string(e.what()).find(r.message), std::string::npos) << e.what();
    }
  }
}
