// The bifurcation window's cost once the continuation has ended: the
// branches of the haploid Levene case (c from 0.3 to 0.7, about 1,000
// accepted steps in all) turned into the rows drawn, laid out and painted
// on a plot of the window's size, as the window does before it shows them.
#include <benchmark/benchmark.h>

#include <qcustomplot.h>

#include "analysis/AnalysisTables.h"
#include "analysis/Continuation.h"
#include "ui/figure/BifurcationFigure.h"

namespace {

using namespace morvane;

void BM_BifurcationDrawn(benchmark::State &state) {
  const Parameters p{1, 1, 0.3, 1, 1, 0.9, 0.6, 0.6, 0.9, 0.000001};
  // Ten branches (A lost or fixed, five values of q) of about 100 steps.
  const analysis::ContinuationSettings settings;
  const std::vector<analysis::BranchPoint> points = analysis::ContinueEquilibria(
      Model::HaploidLocal, p, analysis::Parameter::HabFreq, 0.3, 0.7, {}, settings);
  QCustomPlot plot;
  plot.resize(1000, 600);
  plot.show();
  figure::BifurcationFigure figure(plot);
  for (auto _ : state) {
    analysis::BranchTable table;
    table.parameter = "c";
    table.rows = analysis::BranchRows(Model::HaploidLocal, points);
    figure.Draw(std::move(table), 0);
    plot.replot(QCustomPlot::rpImmediateRefresh);
  }
  state.counters["steps"] = double(points.size());
}
BENCHMARK(BM_BifurcationDrawn)->Unit(benchmark::kMillisecond);

} // namespace
