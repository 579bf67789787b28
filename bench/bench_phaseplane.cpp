// The phase plane window: from its opening to the whole 100 x 100 basin
// background (equilibria found, every start run on the worker threads,
// drawn), the window's events processed meanwhile; repaints_per_second is how
// often the plane was repainted while the map filled in. Cases: the haploid
// Levene case (c = 0.45, a line of equilibria) and diploids with habitat
// choice (two attractors).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <chrono>

#include "ui/analysis/PhasePlaneView.h"
#include "ui/analysis/PhasePlaneWindow.h"

namespace {

using namespace morvane;

class PaintCounter : public QObject {
public:
  bool eventFilter(QObject *, QEvent *e) override {
    if (e->type() == QEvent::Paint)
      ++paints;
    return false;
  }
  int paints = 0;
};

void BM_BasinBackgroundReady(benchmark::State &state) {
  const bool diploid = state.range(0) == 1;
  const Model m = diploid ? Model::DiploidLocal : Model::HaploidLocal;
  const Parameters p = diploid ? Parameters{0.58, 1, 0.37, 3, 3, 0.92, 0.5, 0.93, 0.72, 1e-12}
                               : Parameters{1, 1, 0.45, 1, 1, 0.9, 0.6, 0.6, 0.9, 1e-12};
  double paints = 0, seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    ui::PhasePlaneWindow w(m, p, 100);
    PaintCounter counter;
    w.View().installEventFilter(&counter);
    w.resize(960, 680);
    w.show();
    while (!w.Ready())
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    w.View().repaint();
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    paints += counter.paints;
  }
  state.counters["repaints_per_second"] = paints / seconds;
  state.SetLabel(diploid ? "diploids, habitat choice" : "haploid Levene, c = 0.45");
}
BENCHMARK(BM_BasinBackgroundReady)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace
