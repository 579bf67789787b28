// The phase plane of a model at one parameter set: the (p, q) square with
// the basins of attraction as a pale background, one colour per equilibrium
// reached, a field of small arrows of the one-generation change, the
// equilibria (filled: stable, open: unstable, half-filled: neutral) and the
// paths of series. Drawn with QPainter, the same for the phase plane window,
// its saved figure and morvane-plot --basins.
#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <optional>
#include <vector>

#include "analysis/Basins.h"
#include "analysis/Trajectory.h"
#include "ui/figure/FigureSettings.h"

class QPainter;

namespace morvane::figure {

// An equilibrium as the plane shows it: where, its class, and what hovering
// over it tells (state, eigenvalues, invasion eigenvalues).
struct PlaneEquilibrium {
  double p = 0, q = 0;
  analysis::Stability stability = analysis::Stability::Stable;
  QString text;
};

// A start of the basin map not run yet.
inline constexpr int kBasinPending = -2;

struct PhasePlane {
  Model model = Model::HaploidLocal;
  Parameters params{};
  QString title; // the model and its parameters
  std::vector<PlaneEquilibrium> equilibria;
  // The basin map: grid x grid starts, [i * grid + j] at p = i/(grid-1),
  // q = j/(grid-1), the index of the equilibrium reached, -1 for none, or
  // kBasinPending.
  int grid = 0;
  std::vector<int> basin;
  // The one-generation change at the centres of an arrows x arrows grid:
  // p, q, dp, dq.
  struct Arrow {
    double p, q, dp, dq;
  };
  std::vector<Arrow> arrows;
  std::vector<std::vector<analysis::PathPoint>> paths;
};

// A plane with its title and arrow field, no equilibria nor basins yet.
PhasePlane NewPhasePlane(Model m, const Parameters &p, int arrows = 15);

// The equilibria of the analysis and a basin map of them (whole or not).
void SetEquilibria(PhasePlane &plane, const std::vector<analysis::Equilibrium> &list);

// An equilibrium of the analysis as the plane shows it.
PlaneEquilibrium PlaneEquilibriumOf(Model m, const analysis::Equilibrium &e);

// "p = f(AB) + f(Ab)" for clones, "p (frequency of A)" otherwise; q likewise.
QString AxisName(Model m, bool q);

// The pale colours: 0 .. 8, -1 for "no equilibrium found", white for
// kBasinPending.
QColor BasinColour(int k);
// Each equilibrium's colour: its own among at most kBasinColours, else that
// of its alleles' outcome (p lost, polymorphic or fixed, q likewise: 9).
inline constexpr std::size_t kBasinColours = 8;
std::vector<int> BasinColours(const PhasePlane &plane);

// Where the square of the plane lies in `area` with text of `font` units.
QRectF PlaneSquare(const QRectF &area, double font);
QPointF PointOf(const QRectF &square, double p, double q);
// p and q under a point of the square; nothing outside it.
std::optional<analysis::PathPoint> PlaneAt(const QRectF &square, const QPointF &point);

void PaintPhasePlane(QPainter &painter, const PhasePlane &plane, const QRectF &area, double font);

// Writes the figure to `path` at the settings' format, size, resolution and
// font size. Throws std::runtime_error naming `path` with the reason.
void WritePhasePlaneFigure(const PhasePlane &plane, const FigureSettings &settings,
                           const QString &path);

} // namespace morvane::figure
