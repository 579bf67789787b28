#include "app/PlotBifurcation.h"
#include "app/PlotCommand.h"

#include <QFile>
#include <algorithm>
#include <exception>
#include <iostream>

#include "files/TextFile.h"
#include "runner/RunnerOptions.h"
#include "sweep/SweepOutputs.h"
#include "ui/figure/BifurcationFigure.h"
#include "ui/figure/FigureOptions.h"

namespace morvane {

namespace {

int Draw(std::vector<std::string> args) {
  const figure::FigureOptions figureOptions = figure::ParseFigureOptions(args, true);
  std::string table, y;
  for (std::size_t k = 0; k < args.size(); ++k) {
    std::string *value = args[k] == "--bifurcation" ? &table : args[k] == "--y" ? &y : nullptr;
    if (!value)
      throw UsageError("unknown option \"" + args[k] +
                       "\" with --bifurcation (morvane-plot --help)");
    if (k + 1 >= args.size())
      throw UsageError(args[k] + " needs a value");
    *value = args[++k];
  }
  if (SameFile(figureOptions.output, table))
    throw UsageError("the figure " + figureOptions.output + " would overwrite its input " + table +
                     ": -o names another file");
  // A damaged table is refused whole: nothing is drawn from it.
  const analysis::BranchTable branches = analysis::ReadBranches(ReadInput(table), table);
  if (branches.rows.empty())
    throw std::runtime_error(table + " holds no branch to draw");
  const std::vector<std::string> quantities = figure::BifurcationQuantities(branches.clonal);
  if (y.empty())
    y = quantities.front();
  const auto at = std::find(quantities.begin(), quantities.end(), y);
  if (at == quantities.end())
    throw UsageError("--y must be one of " + quantities[0] + ", " + quantities[1] + ", " +
                     quantities[2] + " or " + quantities[3] + " for this table (got \"" + y +
                     "\")");
  figure::WriteBifurcationFigure(
      branches, std::size_t(at - quantities.begin()), figureOptions.settings,
      QFile::decodeName(QByteArray::fromStdString(figureOptions.output)));
  return 0;
}

} // namespace

int PlotBifurcationMain(std::vector<std::string> args) {
  return RunPlotCommand([&args] { return Draw(std::move(args)); });
}

const char *PlotBifurcationHelp() {
  return "Bifurcation diagrams: morvane-plot --bifurcation TABLE [--y QUANTITY] -o FIGURE\n"
         "                    [figure options]\n"
         "  --bifurcation TABLE  the output of morvane-analyse continue: its branches\n"
         "                     against the varied parameter, stable solid, unstable\n"
         "                     dashed, neutral dotted, each event marked and named in\n"
         "                     the key; one chart's size on the page by default; with\n"
         "                     --caption the command that made the table under it\n"
         "  --y QUANTITY       p, q, DG or Fit (clones: fAB, fAb, faB or fab) [p, or fAB]\n"
         "\n";
}

} // namespace morvane
