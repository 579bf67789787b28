#include "app/PlotBasins.h"
#include "app/PlotCommand.h"

#include <QFile>
#include <fstream>
#include <iostream>
#include <sstream>

#include "analysis/Equilibria.h"
#include "files/NumberFormat.h"
#include "runner/RunnerOptions.h"
#include "ui/figure/FigureOptions.h"
#include "ui/figure/PhasePlaneFigure.h"

namespace morvane {

namespace {

std::vector<std::string> Split(const std::string &line, char separator) {
  std::vector<std::string> cells;
  std::string cell;
  std::istringstream in(line);
  while (std::getline(in, cell, separator))
    cells.push_back(cell);
  if (!line.empty() && line.back() == separator)
    cells.emplace_back();
  return cells;
}

// The plane of a basins table: its command's model and parameters, its map,
// and the equilibria found again as the command found them, with those only
// its runs reached.
figure::PhasePlane PlaneOfTable(const std::string &name) {
  std::ifstream in(name, std::ios::binary);
  if (!in)
    throw std::runtime_error(name + ": cannot be read");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  const auto refuse = [&name](std::size_t line, const std::string &why) {
    throw UsageError(name + ", line " + std::to_string(line) + ": " + why);
  };
  if (lines.size() < 2 || lines[0].rfind("# morvane-analyse basins ", 0) != 0)
    refuse(1, "not a table of morvane-analyse basins (its first line records the command)");
  if (lines[1] != "p0\tq0\tequilibrium\tp\tq\tstability")
    refuse(2, "not the column names of a basins table");

  std::vector<std::string> words = Split(lines[0].substr(25), ' ');
  std::vector<CommandOption> runner;
  analysis::EnumerationSettings enumeration;
  int grid = 50;
  for (const CommandOption &o : SplitCommandLine(words, {"ess"})) {
    const auto count = ReadTypedCount(o.value.value_or(""));
    if (o.name == "grid" || o.name == "starts") {
      if (!count)
        refuse(1, "--" + o.name + " is no whole number");
      (o.name == "grid" ? grid : enumeration.starts) = int(*count);
    } else if (o.name != "threads") {
      runner.push_back(o);
    }
  }
  const RunnerOptions options = ParseRunnerCommandOptions(runner, RunnerFiles::None);
  if (grid < 2 || lines.size() != 2 + std::size_t(grid) * grid)
    refuse(lines.size(), "the table holds " + std::to_string(lines.size() - 2) + " of its " +
                             std::to_string(grid) + " x " + std::to_string(grid) + " starts");

  figure::PhasePlane plane = figure::NewPhasePlane(options.model, options.params);
  const std::vector<analysis::Equilibrium> known =
      analysis::FindEquilibria(options.model, options.params, enumeration);
  figure::SetEquilibria(plane, known);
  plane.grid = grid;
  plane.basin.resize(std::size_t(grid) * grid);
  for (std::size_t c = 0; c < plane.basin.size(); ++c) {
    const std::size_t line = c + 3;
    const std::vector<std::string> cells = Split(lines[c + 2], '\t');
    const int i = int(c / grid), j = int(c % grid);
    if (cells.size() != 6 || cells[0] != RealToText(double(i) / (grid - 1), '.') ||
        cells[1] != RealToText(double(j) / (grid - 1), '.'))
      refuse(line, "not the row of start " + std::to_string(c + 1) + " of the grid");
    const auto k = cells[2] == "-1" ? std::optional<long long>(-1) : ReadTypedCount(cells[2]);
    if (!k || *k > 100000)
      refuse(line, "\"" + cells[2] + "\" is not an equilibrium's number");
    plane.basin[c] = int(*k);
    if (*k < 0)
      continue;
    const auto p = TextToReal(cells[3]), q = TextToReal(cells[4]);
    std::optional<analysis::Stability> stability;
    for (auto s :
         {analysis::Stability::Stable, analysis::Stability::Unstable, analysis::Stability::Neutral})
      if (cells[5] == analysis::StabilityName(s))
        stability = s;
    if (!p || !q || !stability)
      refuse(line, "the equilibrium reached is not p, q and its stability");
    // An equilibrium only the runs found: where and what it is.
    while (plane.equilibria.size() <= std::size_t(*k))
      plane.equilibria.push_back({*p, *q, *stability, {}});
  }
  return plane;
}

} // namespace

const char *PlotBasinsHelp() {
  return "       morvane-plot --basins TABLE -o FIGURE [figure options]\n"
         "\n"
         "  --basins TABLE     the phase plane of a morvane-analyse basins table, as the\n"
         "                     phase plane window draws it: the basins as a pale\n"
         "                     background, the arrows of one generation, the\n"
         "                     equilibria (filled: stable, open: unstable, half-filled:\n"
         "                     neutral); the model and parameters are those of the\n"
         "                     command recorded on the table's first line\n"
         "\n";
}

int PlotBasinsMain(std::vector<std::string> args) {
  return RunPlotCommand([&args] {
    const figure::FigureOptions figureOptions = figure::ParseFigureOptions(args, true);
    if (args.size() != 2 || args[0] != "--basins")
      throw UsageError("--basins TABLE takes no other option but the figure's");
    if (figureOptions.output.empty())
      throw UsageError("-o names the figure to write");
    figure::WritePhasePlaneFigure(
        PlaneOfTable(args[1]), figureOptions.settings,
        QFile::decodeName(QByteArray::fromStdString(figureOptions.output)));
    return 0;
  });
}

} // namespace morvane
