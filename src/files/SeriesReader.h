// Reading a series back: the Plot file of the current series, and every
// series of a Detail file written earlier, parsed into memory for the chart
// windows. Nothing here writes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "state/Parameters.h"
#include "state/SimState.h"

namespace morvane {

// The five columns of a trajectory, one row per generation: T, then p, q, DG
// and Fit (sexual models) or f(AB), f(Ab), f(aB) and f(ab) (clones).
struct PlotTable {
  std::array<std::vector<double>, 5> Columns;
  std::size_t Rows() const { return Columns[0].size(); }
};

// What a chart window shows beside the charts. A Plot file carries no
// parameters: HasParameters is then false and only the file names are set.
// The parameters are those of the Parameters it derives from (a Detail file
// records no L: StopThreshold stays 0).
struct SeriesParameters : Parameters {
  Parameters &Params() { return *this; }
  const Parameters &Params() const { return *this; }

  bool HasParameters = false;
  std::string TradeOffStatus;
  std::string ESSStatus;
  std::string Ploidy;
  std::string Reproduction;
  std::string FinalFileName;
  std::string DetailFileName;
  std::string PlotFileName;
};

// The parameters of the current series, as the state holds them.
SeriesParameters ParametersOf(const SimState &s);

// A file that cannot be read at all; the message names the file and gives
// the runtime's I/O message ("PlotSexFile.plo: Fichier introuvable").
class SeriesFileError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// A Plot file read back. Rows holds every whole line read before the first
// damaged one; Problem is empty, or names the file and that line.
struct PlotFileContent {
  PlotTable Table;
  std::string Problem;
};

// Reads at most `maxRows` rows: per line five reals separated by blanks
// (spaces, TABs), in the syntax optional sign, digits, point, optional
// exponent; what follows the fifth number is ignored, blank lines are
// skipped. A line with a field that is no number, or with fewer than five
// numbers, ends the reading there. Throws SeriesFileError.
PlotFileContent ReadPlotFile(const std::string &path,
                             std::size_t maxRows = std::numeric_limits<std::size_t>::max());

// One series of a Detail file: its run header and the generations after it.
// Row 0 is the parameter line's state (T = 0), as in the Plot file.
struct DetailSeries {
  bool Clonal = false;
  SeriesParameters Parameters;
  PlotTable Table;
  std::size_t HeaderLine = 0; // line of its column names, from 1
  bool CutShort = false;      // a damaged line ended it early
};

// The series of a Detail file, in file order. A damaged line (a field that is
// no number, a line of the wrong shape, a line that is no column-name line
// where one is expected) ends its series there: what was read before is kept,
// the reading goes on at the next column-name line, and Problem names the
// file and the first such line. A file that is not a Detail file gives no
// series and a Problem about its first line.
struct DetailFileContent {
  std::vector<DetailSeries> Series;
  std::string Problem;
};

// Throws SeriesFileError when the file cannot be read.
DetailFileContent ReadDetailFile(const std::string &path);

// The series a Detail file starts (its column-name lines), read line by line
// without keeping them: what a question about the file says it holds.
// Throws SeriesFileError.
std::size_t CountDetailSeries(const std::string &path);

} // namespace morvane
