// One generation of a model as a map of its state, and its linearisation:
// the Jacobian in the free coordinates of the state, its derivative with
// respect to one parameter, the eigenvalues and what they say of an
// equilibrium (stability, invasion of a missing allele). The derivatives come
// from the generation step itself, run on dual numbers.
#pragma once

#include <array>
#include <complex>
#include <optional>
#include <vector>

#include <Eigen/Dense>

#include "engine/Model.h"
#include "engine/StepKernels.h"
#include "engine/StepState.h"
#include "state/Parameters.h"

namespace morvane::analysis {

// Matrices and vectors of at most 9 x 9, kept without allocation.
using Matrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor, 10, 10>;
using Vector = Eigen::Matrix<double, Eigen::Dynamic, 1, Eigen::ColMajor, 10, 1>;

// A population: the type or genotype frequencies X1 .. Xn, 0-based (n = 4 for
// haploids and clones, 9 for diploids), in the order of the state.
using Population = std::array<double, 9>;

// Number of classes of the model's population.
constexpr int Classes(Model m) { return IsDiploid(m) ? 9 : 4; }

// The real parameters a derivative can be taken along.
enum class Parameter { None, SoftProp, MigSurv, HabFreq, W1A, W2A, W1a, W2a };

// The parameter named as morvane-run names its option ("x", "d", "c", "W1A",
// "W2A", "W1a", "W2a"); nothing for any other name.
std::optional<Parameter> ParameterNamed(const std::string &name);
double &ParameterValue(Parameters &p, Parameter which);

// One generation at X: the next population and the partial derivatives of
// its n classes with respect to the n classes taken as independent
// (full(k, l) = dX'k/dXl) and to the parameter (none: a zero vector).
struct Linearisation {
  int n = 0;
  Population next{};
  Matrix full;
  Vector dParameter;
};
Linearisation Linearise(Model m, const Parameters &p, const Population &X,
                        Parameter along = Parameter::None);

// The next population alone (the double step).
Population NextGeneration(Model m, const Parameters &p, const Population &X);

// The same step with its parameters prepared once (the settlement factors),
// for the many generations of one search at fixed parameters.
class Generation {
public:
  Generation(Model m, const Parameters &p);
  Population operator()(const Population &X) const;

private:
  Model m_;
  StepState<double> s_;
  SettlementFactorsOf<double> f_;
};

// The Jacobian of one generation in the free coordinates X1 .. X(n-1), Xn
// being 1 minus their sum: J(i, j) = full(i, j) - full(i, n-1).
Matrix FreeJacobian(const Linearisation &l);
// The same among the classes not `absent` (held at 0), the last of them 1
// minus the others: the Jacobian on the boundary they span.
Matrix FreeJacobian(const Linearisation &l, const std::vector<bool> &absent);

// The largest modulus of a's eigenvalues (0 for an empty matrix).
double SpectralRadius(const Matrix &a);

// The classes carrying each allele (0-based): A, a, B, b.
enum class Allele { A, a, B, b };
const std::vector<int> &Carriers(Model m, Allele allele);

// The classes held at exactly 0 because the population lacks them for good:
// the carriers of an allele that is absent (sexual models), or each absent
// clone (clones, which breed true).
std::vector<bool> AbsentClasses(Model m, const Population &X);

enum class Stability { Stable, Unstable, Neutral };
const char *StabilityName(Stability s);

// What the eigenvalues say of an equilibrium.
struct Spectrum {
  std::vector<std::complex<double>> eigenvalues; // of the free Jacobian
  double radius = 0;
  Stability stability = Stability::Stable;
  // At a boundary: the invasion eigenvalue of the missing allele at each
  // locus (A when A is lost, a when A is fixed; B or b likewise), the
  // spectral radius of the Jacobian among its carriers.
  std::optional<double> lambdaA;
  std::optional<double> lambdaB;
};

// Stable: every modulus below 1 - tol; unstable: one above 1 + tol; neutral
// otherwise (a modulus within tol of 1 and none above).
Stability Classify(const std::vector<std::complex<double>> &eigenvalues, double tol);
Spectrum Analyse(Model m, const Parameters &p, const Population &X, double tol = 1e-8);
// The same from a linearisation already at hand.
Spectrum Analyse(Model m, const Linearisation &l, const Population &X, double tol = 1e-8);

// The invasion eigenvalue of an allele absent from X: the spectral radius of
// full() among its carriers.
double InvasionEigenvalue(Model m, const Linearisation &l, Allele absent);

// Allele frequencies and the measures of the state: p, q, DG and Fit as the
// steps compute them (Fit 0 for haploids and when A is fixed).
struct Measures {
  double p, q, DG, Fit;
};
Measures MeasuresOf(Model m, const Population &X);

// The population of the state a run starts from with p, q and DG (sexual
// models, Hardy-Weinberg for diploids), or for clones X = (pq, p(1-q),
// (1-p)q, (1-p)(1-q)).
Population StartPopulation(Model m, double p, double q, double DG = 0);

} // namespace morvane::analysis
