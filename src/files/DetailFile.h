// The Detail file: per series a column-name line and a parameter line, then
// one line per generation; sexual and clonal layouts.
#pragma once

#include <string>

#include "state/SimState.h"

namespace morvane {

// The column-name lines of a run header, without their line end.
inline constexpr const char *kSexualDetailColumns =
    "T\tp\tq\tDG\tFit\tW1\tW2\tx\td\tW1(A)\tW2(A)\tW1(a)\tW2(a)\ti\tj\tc\t"
    "TradeOff\tESS\tPloidy\tReproduction";
inline constexpr const char *kClonalDetailColumns =
    "T\tf(AB)\tf(Ab)\tf(aB)\tf(ab)\tW1\tW2\tx\td\tW1(A)\tW2(A)\tW1(a)\tW2(a)\ti\tj\tc\t"
    "TradeOff\tESS\tPloidy\tReproduction";

// Every line ends with CR LF. Each Write* is one open-append-close of an
// existing file (a missing one is not recreated) and throws FileError.
std::string SexualDetailHeaderLines(const SimState &s); // column names + parameters
std::string ClonalDetailHeaderLines(const SimState &s); // column names + parameters
void AppendSexualDetailGenerationLine(std::string &out, const SimState &s);
void AppendClonalDetailGenerationLine(std::string &out, const SimState &s);

// Run headers: Detail column names and parameter line, then the Plot file's
// first line. Both or neither: when the Plot line fails, the Detail lines
// just written are taken back before the error propagates.
void WriteSexualRunHeader(const SimState &s);
void WriteClonalRunHeader(const SimState &s);

// One generation line each to the Detail file; returns its length in bytes,
// what TakeBackTail needs to take it back.
std::size_t WriteSexualDetailGenerationLine(const SimState &s);
std::size_t WriteClonalDetailGenerationLine(const SimState &s);

} // namespace morvane
