#include "analysis/Trajectory.h"

#include "engine/RunLoop.h"
#include "engine/Series.h"

namespace morvane::analysis {

namespace {

// Keeps p and q of every generation; ends the run at the cap.
class PathDisplay : public RunDisplay {
public:
  PathDisplay(Model m, SimState &s, std::uint32_t cap, std::vector<PathPoint> &path)
      : m_(m), s_(s), cap_(cap), path_(path) {}
  void ShowProgress() override { Keep(); }
  void DisplayProgress(std::uint32_t, double, double) override {}
  void ProcessPendingEvents() override {
    Keep();
    if (path_.size() > cap_)
      s_.StopRequested = true;
  }
  void HideProgress() override {}
  void HandOver(Model) override {}

private:
  void Keep() {
    if (m_ != Model::Clonal) {
      path_.push_back({s_.FreqA, s_.FreqB});
      return;
    }
    Population X{};
    for (int k = 0; k < 4; ++k)
      X[k] = s_.X[k + 1];
    const Measures f = MeasuresOf(m_, X);
    path_.push_back({f.p, f.q});
  }

  Model m_;
  SimState &s_;
  std::uint32_t cap_;
  std::vector<PathPoint> &path_;
};

} // namespace

std::vector<PathPoint> SeriesPath(Model m, const Parameters &p, double p0, double q0, double DG0,
                                  std::uint32_t maxGenerations) {
  SimState s;
  ChooseModel(s, m);
  s.Params() = p;
  std::vector<PathPoint> path;
  PathDisplay display(m, s, maxGenerations, path);
  if (m == Model::Clonal) {
    const Population X = StartPopulation(m, p0, q0);
    for (int k = 0; k < 4; ++k)
      s.X[k + 1] = X[k];
    StartClonalSeries(s, display, Tracing::Off);
  } else {
    s.FreqA = p0;
    s.FreqB = q0;
    s.DG = DG0;
    StartSexualSeries(s, display, Tracing::Off);
  }
  return path;
}

} // namespace morvane::analysis
