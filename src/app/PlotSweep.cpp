#include "app/PlotSweep.h"

#include <QFile>
#include <algorithm>
#include <exception>
#include <iostream>

#include "files/TextFile.h"
#include "runner/RunnerOptions.h"
#include "sweep/SweepOptions.h"
#include "sweep/SweepOutputs.h"
#include "ui/figure/FigureOptions.h"
#include "ui/figure/SweepFigure.h"

namespace morvane {

namespace {

std::string Joined(const std::vector<std::string> &words) {
  std::string text;
  for (const std::string &w : words)
    text += (text.empty() ? "" : ", ") + w;
  return text;
}

int Draw(std::vector<std::string> args) {
  const figure::FigureOptions figureOptions = figure::ParseFigureOptions(args, true);
  std::string final, table, show;
  for (std::size_t k = 0; k < args.size(); ++k) {
    std::string *value = args[k] == "--sweep"   ? &final
                         : args[k] == "--table" ? &table
                         : args[k] == "--show"  ? &show
                                                : nullptr;
    if (!value)
      throw UsageError("unknown option \"" + args[k] + "\" with --sweep (morvane-plot --help)");
    if (k + 1 >= args.size())
      throw UsageError(args[k] + " needs a value");
    *value = args[++k];
  }
  if (final.empty())
    throw UsageError("--sweep FINAL names the sweep's Final file (or its table)");
  if (table.empty())
    table = RecogniseShardFiles(final).tableFile;
  const figure::SweepTable sweep = figure::ParseSweepTable(ReadInput(table), table);
  const std::vector<std::string> outputs = SweepOutputs(sweep.plan.model);
  if (show.empty())
    show = outputs.front();
  if (std::find(outputs.begin(), outputs.end(), show) == outputs.end())
    throw UsageError("--show must be one of " + Joined(outputs) + " for this sweep (got \"" + show +
                     "\")");
  figure::WriteSweepFigure(sweep.plan, sweep.rows, show, figureOptions.settings,
                           QFile::decodeName(QByteArray::fromStdString(figureOptions.output)));
  return 0;
}

} // namespace

int PlotSweepMain(std::vector<std::string> args) {
  try {
    return Draw(std::move(args));
  } catch (const UsageError &e) {
    std::cerr << "morvane-plot: " << e.what() << '\n';
    return 2;
  } catch (const figure::FigureOptionError &e) {
    std::cerr << "morvane-plot: " << e.what() << '\n';
    return 2;
  } catch (const FileError &e) {
    std::cerr << "morvane-plot: " << e.what() << '\n' << e.Path() << '\n';
    return 1;
  } catch (const std::exception &e) {
    std::cerr << "morvane-plot: " << e.what() << '\n';
    return 1;
  }
}

const char *PlotSweepHelp() {
  return "Sweeps: morvane-plot --sweep FINAL [--table TABLE] [--show OUTPUT] -o FIGURE\n"
         "                    [figure options]\n"
         "  --sweep FINAL      a sweep's Final file (or its table): its figure as the\n"
         "                     sweep window's \"Save figure...\" draws it, a colour map\n"
         "                     over two varied parameters, the final p, q, DG (and Fit\n"
         "                     for diploids; the clone frequencies for clones) against\n"
         "                     one; one chart's size on the page by default\n"
         "  --table TABLE      the table, when it does not lie beside the Final file\n"
         "  --show OUTPUT      the output a map shows: p, q, DG, Fit, T (clones: fAB,\n"
         "                     fAb, faB, fab, T) [p, or fAB]; a diagram draws T alone or\n"
         "                     all the others\n"
         "\n";
}

} // namespace morvane
