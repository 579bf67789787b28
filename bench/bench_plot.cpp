// Cost of drawing a series: parsing its Plot file alone, against filling the
// sexual chart window from that file (the window's activation: parameters,
// parsing, handing the points to the charts), and filling plus painting.
//
// Exporting the charts of a 1,000,000-generation series as a figure (PNG,
// SVG, PDF) needs no display.
//
// Targets: filling from a 100,000-generation file costs less than 10 times
// parsing it; a 1,000,000-generation series fills and paints in under a
// second. Run it on a display or under Xvfb:
//   xvfb-run -a -s '-screen 0 1280x1024x24' bench/bench_plot
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QChartView>
#include <cmath>
#include <string>

#include "BenchSupport.h"
#include "files/PlotFile.h"
#include "files/SeriesReader.h"
#include "files/TextFile.h"
#include "state/SimState.h"
#include "ui/charts/UPlotSex.h"
#include "ui/figure/SeriesFigure.h"
#include "ui/framework/Windows.h"

namespace {

using namespace morvane;
using namespace morvane::bench;
using morvane::ui::Sim;

// A sexual Plot file of `generations` generations of a moving population,
// written with the program's own line writers.
std::string WritePlotFile(const ScratchFolder &folder, unsigned generations) {
  const std::string path = folder.File("PlotSexFile.plo");
  SimState s;
  s.FreqA = s.FreqB = 0.5;
  std::string text = SexualPlotFirstLine(s);
  text.reserve(40u * generations);
  for (unsigned g = 1; g <= generations; ++g) {
    s.Generation = g;
    s.FreqA = 0.5 + 0.4 * std::sin(g / 7000.0);
    s.FreqB = 0.5 - 0.3 * std::cos(g / 5000.0);
    s.DG = 0.2 * std::sin(g / 300.0);
    s.Fit = -0.1 * std::cos(g / 11000.0);
    AppendSexualPlotGenerationLine(text, s);
  }
  CreateEmptyFile(path);
  AppendToFile(path, text);
  return path;
}

void BM_ParsePlotFile(benchmark::State &state) {
  ScratchFolder folder;
  const auto generations = static_cast<unsigned>(state.range(0));
  const std::string path = WritePlotFile(folder, generations);
  for (auto _ : state) {
    const PlotFileContent content = ReadPlotFile(path, generations + 1u);
    benchmark::DoNotOptimize(content.Table.Rows());
  }
  state.SetItemsProcessed(state.iterations() * (state.range(0) + 1));
}

// range(1): 0 fills only; 1 also paints both charts at once.
void BM_FillSexualWindow(benchmark::State &state) {
  ScratchFolder folder;
  const auto generations = static_cast<unsigned>(state.range(0));
  Sim() = SimState{};
  Sim().PlotFileName = Sim().PlotFile.Name = WritePlotFile(folder, generations);
  Sim().PlotRows = generations;
  TFrmPlotSex window;
  window.ShowForm();
  QApplication::processEvents();
  const auto charts = window.findChildren<QChartView *>();
  for (auto _ : state) {
    // Shown again by another window: the activation fills it.
    window.ShowForm();
    if (state.range(1) == 1) {
      QApplication::processEvents();
      for (QChartView *chart : charts)
        chart->viewport()->repaint();
    }
  }
  if (!window.StatusText().contains(QString::number(generations + 1u)))
    state.SkipWithError(window.StatusText().toStdString().c_str());
  state.SetItemsProcessed(state.iterations() * (state.range(0) + 1));
}

// Exporting the charts of a series already read (range(0) generations) as a
// figure at the export dialog's defaults for the pair of charts, 17 x 8 cm:
// range(1) is the format, 0 PNG at 300 dpi, 1 SVG, 2 PDF. Target: under a
// second for 1,000,000 generations in every format.
void BM_ExportFigure(benchmark::State &state) {
  ScratchFolder folder;
  const auto generations = static_cast<unsigned>(state.range(0));
  PlotFileContent content = ReadPlotFile(WritePlotFile(folder, generations));
  ui::SeriesFigure figure;
  figure.series.push_back({SeriesParameters{},
                           std::make_shared<const PlotTable>(std::move(content.Table)),
                           QStringLiteral("PlotSexFile.plo")});
  figure::FigureSettings settings = figure::DefaultFigureSettings(figure::FigureCharts::Both);
  settings.format = figure::FigureFormat(state.range(1));
  settings.caption = true;
  std::size_t bytes = 0;
  for (auto _ : state) {
    const QByteArray written = ui::SeriesFigureBytes(figure, settings);
    bytes = static_cast<std::size_t>(written.size());
    benchmark::DoNotOptimize(written.constData());
  }
  state.counters["bytes"] = double(bytes);
}

BENCHMARK(BM_ParsePlotFile)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FillSexualWindow)
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ExportFigure)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Args({1000000, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
