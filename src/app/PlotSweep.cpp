#include "app/PlotSweep.h"
#include "app/PlotCommand.h"

#include <QFile>
#include <algorithm>
#include <exception>
#include <iostream>

#include "files/FinalFile.h"
#include "files/NumberFormat.h"
#include "files/TextFile.h"
#include "runner/RunnerOptions.h"
#include "sweep/SweepNames.h"
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

[[noreturn]] void Refuse(const std::string &message) { throw UsageError(message); }

// A row read on its own, when the table has no Final file beside it: the
// shape of the table's rows, the point of its place in the shard, the values
// of that point, numbers where numbers stand, converged yes or no.
void CheckRow(const SweepPlan &plan, std::size_t point, const std::string &row,
              const std::string &where) {
  const std::vector<std::string> cells = SplitText(row.substr(0, row.size() - 1), '\t');
  const std::size_t axes = plan.axes.size();
  if (cells.size() != SweepTableWidth(plan) || cells[0] != std::to_string(point))
    Refuse(where + ": not the row of point " + std::to_string(point) + " of its sweep");
  const std::array<std::size_t, 2> at = plan.Coordinates(point);
  for (std::size_t a = 0; a < axes; ++a)
    if (cells[1 + a] != plan.axes[a].shown[at[a]])
      Refuse(where + ": " + plan.axes[a].option + " is " + cells[1 + a] + " where point " +
             std::to_string(point) + " has " + plan.axes[a].shown[at[a]]);
  if (!WholeNumber(cells[1 + axes], 0, 999999999))
    Refuse(where + ": T is " + cells[1 + axes] + ", not a number of generations");
  for (std::size_t k = 2 + axes; k < 6 + axes; ++k)
    if (!TextToReal(cells[k]))
      Refuse(where + ": \"" + cells[k] + "\" is not a number");
  if (cells[6 + axes] != "yes" && cells[6 + axes] != "no")
    Refuse(where + ": converged is \"" + cells[6 + axes] + "\" where yes or no stands");
}

// The table of a finished sweep, checked before anything is drawn from it:
// whole (every line ended, a row for every point of its shard), no temporary
// file of a sweep still running, and each row the one its Final file's
// record was written with. Returns the table's content.
std::string CheckedTable(const std::string &final, const std::string &table) {
  for (const std::string *name : {&table, &final})
    if (HasEnding(*name, ".part") || HasEnding(*name, ".part.tsv"))
      Refuse(*name + " is the temporary file of a sweep that is running or was stopped: "
                     "finish it (morvane-sweep ... --resume) and draw its table");
  const std::string content = ReadInput(table);
  if (content.find("\r\n") != std::string::npos)
    Refuse(table + " has lines ending with CR LF (was it saved by another program?): a "
                   "table's lines end with LF alone");
  const std::vector<std::string> lines = LinesEndingWith(content, "\n", table);
  const SweepPlan plan = PlanOfTable(lines, table);
  const std::size_t points =
      (plan.Points() + plan.shardCount - 1 - plan.shardIndex) / plan.shardCount;
  const std::size_t rows = lines.size() - 2;
  if (rows != points)
    Refuse(table + " holds " + std::to_string(rows) + " of the " + std::to_string(points) +
           " rows of its sweep" + (rows < points ? ": it is cut short" : ""));
  const auto pointOf = [&plan](std::size_t k) { return plan.shardIndex + k * plan.shardCount; };
  const auto lineOf = [](const std::string &name, std::size_t n) {
    return name + ", line " + std::to_string(n);
  };
  if (!FileExists(final)) {
    for (std::size_t k = 0; k < rows; ++k)
      CheckRow(plan, pointOf(k), lines[k + 2], lineOf(table, k + 3));
    return content;
  }
  const SweepPoints sweepPoints(plan);
  LineReader records(final, "\r\n");
  std::string record;
  if (!records.Next(record) || record != FinalHeaderLine())
    Refuse(final + " is not the Final file of a sweep: its first line is not the header line");
  std::size_t k = 0;
  for (; records.Next(record); ++k) {
    if (k == rows)
      Refuse(final + " holds more records than " + table +
             " holds rows: the table is not "
             "this Final file's");
    CheckRow(plan, pointOf(k), lines[k + 2], lineOf(table, k + 3));
    CheckRecordAgainstRow(sweepPoints, pointOf(k), record, lines[k + 2], lineOf(final, k + 2));
  }
  if (records.CutShort())
    records.RefuseCutShort();
  if (k != rows)
    Refuse(final + " holds " + std::to_string(k) + " records where " + table + " holds " +
           std::to_string(rows) + " rows: the table is not this Final file's");
  return content;
}

int Draw(std::vector<std::string> args) {
  QStringList words{QStringLiteral("morvane-plot")};
  for (const std::string &a : args)
    words << QString::fromStdString(a);
  figure::FigureOptions figureOptions = figure::ParseFigureOptions(args, true);
  figureOptions.settings.record.command = figure::ShellCommand(words);
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
  if (table.empty()) {
    // FINAL may name the table: the Final file is the one beside it.
    const ShardFiles shard = RecogniseShardFiles(final);
    final = shard.finalFile;
    table = shard.tableFile;
  }
  for (const std::string *input : {&final, &table})
    if (SameFile(figureOptions.output, *input))
      Refuse("the figure " + figureOptions.output + " would overwrite its input " + *input +
             ": -o names another file");
  const figure::SweepTable sweep = figure::ParseSweepTable(CheckedTable(final, table), table);
  const std::vector<std::string> outputs = SweepMapOutputs(sweep.plan);
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
  return RunPlotCommand([&args] { return Draw(std::move(args)); });
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
         "                     all the others; of a sweep run with --analyse also\n"
         "                     class, lambdaA, lambdaB, radius (and stableCount with\n"
         "                     --starts), as morvane-sweep --map-of draws them\n"
         "\n";
}

} // namespace morvane
