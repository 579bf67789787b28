// morvane-plot: the figures of series written earlier, drawn by the same code
// and to the same settings as the chart windows' "Save chart...": the charts
// of a series of a Detail file (or of each), of a Plot file, or of several
// series together on one set of charts; and the figure of a sweep, as the
// sweep window's "Save figure..." draws it; and the bifurcation diagram of
// a continuation.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/PlotBasins.h"
#include "app/PlotBifurcation.h"
#include "app/PlotSweep.h"
#include "files/PlotFile.h"
#include "files/SeriesReader.h"
#include "files/TextFile.h"
#include "ui/figure/FigureOptions.h"
#include "ui/figure/SeriesFigure.h"

namespace {

using namespace morvane;
using namespace morvane::ui;

class UsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

const char *HelpText() {
  return "Usage: morvane-plot --detail FILE [--series N|all] [--detail FILE --series N ...]\n"
         "                    -o FIGURE [figure options]\n"
         "       morvane-plot --plot FILE [--clonal] -o FIGURE [figure options]\n"
         "\n"
         "Draws the charts of series written earlier, as the chart windows' \"Save\n"
         "chart...\" does with the same settings: p and q, DG and Fit against the\n"
         "generation (the four clone frequencies for clones). Nothing is written but\n"
         "the figure, which never takes the place of an input. A file with a line that\n"
         "cannot be taken as written (a number that cannot be read, a value out of its\n"
         "range, a generation that does not follow the one before, a file cut short)\n"
         "is refused, naming the file and the line, and nothing is drawn.\n"
         "\n"
         "Series:\n"
         "  --detail FILE      a Detail file; with one series it needs no --series\n"
         "  --series N|all     the N-th series (from 1) of the --detail before it; all\n"
         "                     draws each series into a figure of its own, FIGURE's name\n"
         "                     followed by -1, -2, ... before its extension\n"
         "  --plot FILE        a Plot file (it holds no parameters)\n"
         "  --clonal           read the Plot file as clone frequencies (the default for\n"
         "                     PlotCloneFile.plo)\n"
         "  --fit-y            fit the left axes to the data (round limits) instead of\n"
         "                     their fixed scale\n"
         "Several series (several --detail, or --series given more than once) are drawn\n"
         "together, each in a colour of its own, named in the legend by the parameters\n"
         "that differ between them.\n"
         "\n"
         "Every figure records the program's version, the model, every parameter and\n"
         "the command that draws it again (PNG text chunks, the SVG's description, the\n"
         "PDF's metadata); the same command gives the same bytes (a PDF but for its\n"
         "creation date).\n"
         "       morvane-plot --about FILE\n"
         "prints what a figure records, or the first line of a table (which records\n"
         "the command that wrote it).\n"
         "\n";
}

struct Source {
  std::string detail; // a Detail file, or
  std::string plot;   // a Plot file
  std::string series; // "", a number or "all"
};

std::string FileArg(const std::vector<std::string> &args, std::size_t &k) {
  if (k + 1 >= args.size())
    throw UsageError(args[k] + " needs a value");
  return args[++k];
}

// The words of morvane-plot's command line, the program's name first.
QStringList CommandWords(const std::vector<std::string> &args) {
  QStringList words{QStringLiteral("morvane-plot")};
  for (const std::string &a : args)
    words << QString::fromStdString(a);
  return words;
}

QString Name(const std::string &path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// The series of a Detail file, with where each comes from.
std::vector<FigureSeries> DetailSeriesOf(const Source &source, std::vector<bool> &clonal) {
  // A damaged line leaves a series that is not the one written: nothing is
  // drawn from such a file.
  DetailFileContent content = ReadDetailFile(source.detail);
  if (!content.Problem.empty())
    throw std::runtime_error(content.Problem);
  if (content.Series.empty())
    throw std::runtime_error(source.detail + " holds no series to draw");
  std::vector<std::size_t> chosen;
  if (source.series == "all") {
    for (std::size_t k = 0; k < content.Series.size(); ++k)
      chosen.push_back(k);
  } else if (source.series.empty()) {
    if (content.Series.size() > 1)
      throw UsageError(source.detail + " holds " + std::to_string(content.Series.size()) +
                       " series: --series N or all says which");
    chosen.push_back(0);
  } else {
    char *end = nullptr;
    const long n = std::strtol(source.series.c_str(), &end, 10);
    if (source.series.empty() || *end != '\0' || n < 1)
      throw UsageError("--series is a number from 1, or all, not \"" + source.series + "\"");
    if (std::size_t(n) > content.Series.size())
      throw UsageError(source.detail + " holds " + std::to_string(content.Series.size()) +
                       " series, not " + source.series);
    chosen.push_back(std::size_t(n - 1));
  }
  std::vector<FigureSeries> result;
  for (std::size_t k : chosen) {
    DetailSeries &s = content.Series[k];
    clonal.push_back(s.Clonal);
    result.push_back({std::move(s.Parameters),
                      std::make_shared<const PlotTable>(std::move(s.Table)),
                      QStringLiteral("%1, series %2")
                          .arg(QFileInfo(Name(source.detail)).fileName())
                          .arg(k + 1)});
  }
  return result;
}

// Qt's own notes (a missing runtime folder, fonts) are no business of the
// user's; its errors are.
void QuietQt(QtMsgType type, const QMessageLogContext &, const QString &message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::cerr << message.toLocal8Bit().constData() << '\n';
}

// FIGURE-n.ext for the n-th of several figures.
std::string Numbered(const std::string &output, std::size_t n) {
  const std::size_t dot = output.rfind('.');
  const std::size_t slash = output.rfind('/');
  const std::size_t at =
      dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot : output.size();
  return output.substr(0, at) + "-" + std::to_string(n) + output.substr(at);
}

int PlotSeries(const std::vector<std::string> &args) {
  // The series first: whether they are clones says how many charts there are.
  const std::vector<std::string> seriesArgs = figure::WithoutFigureOptions(args);
  std::vector<Source> sources;
  bool clonalPlot = false, fitY = false;
  for (std::size_t k = 0; k < seriesArgs.size(); ++k) {
    const std::string &a = seriesArgs[k];
    if (a == "--detail")
      sources.push_back({FileArg(seriesArgs, k), {}, {}});
    else if (a == "--plot")
      sources.push_back({{}, FileArg(seriesArgs, k), {}});
    else if (a == "--series") {
      const std::string value = FileArg(seriesArgs, k);
      if (sources.empty() || sources.back().detail.empty())
        throw UsageError("--series follows the --detail it chooses from");
      if (sources.back().series.empty())
        sources.back().series = value;
      else // one more series of the same file
        sources.push_back({sources.back().detail, {}, value});
    } else if (a == "--clonal")
      clonalPlot = true;
    else if (a == "--fit-y")
      fitY = true;
    else
      throw UsageError("unknown option \"" + a + "\" (morvane-plot --help lists them)");
  }
  if (sources.empty())
    throw UsageError("--detail or --plot names the series to draw");
  bool each = false;
  for (const Source &source : sources)
    each = each || source.series == "all";
  if (each && sources.size() > 1)
    throw UsageError("--series all draws one Detail file alone");

  std::vector<FigureSeries> series;
  std::vector<bool> clonal;
  for (const Source &source : sources) {
    if (!source.plot.empty()) {
      PlotFileContent content = ReadPlotFile(source.plot);
      if (!content.Problem.empty())
        throw std::runtime_error(content.Problem);
      if (content.Table.Rows() == 0)
        throw std::runtime_error(source.plot + " holds no generation");
      SeriesParameters p;
      p.PlotFileName = source.plot;
      const QString file = QFileInfo(Name(source.plot)).fileName();
      clonal.push_back(clonalPlot || file == QLatin1String(kClonePlotFileName));
      series.push_back({p, std::make_shared<const PlotTable>(std::move(content.Table)), file});
    } else {
      for (FigureSeries &s : DetailSeriesOf(source, clonal))
        series.push_back(std::move(s));
    }
  }
  if (!each)
    for (bool c : clonal)
      if (c != clonal.front())
        throw UsageError("clonal and sexual series cannot be drawn together");

  // A figure never takes the place of a file it is drawn from.
  std::vector<std::string> figureArgs = args;
  const std::string output = figure::ParseFigureOptions(figureArgs, clonal.front()).output;
  for (const Source &source : sources)
    for (std::size_t k = 0; k < (each ? series.size() : 1); ++k) {
      const std::string name = each ? Numbered(output, k + 1) : output;
      const std::string &input = source.plot.empty() ? source.detail : source.plot;
      if (SameFile(name, input))
        throw UsageError("the figure " + name + " would overwrite its input " + input +
                         ": -o names another file");
    }

  const auto draw = [&](std::vector<FigureSeries> chosen, bool clones, const std::string &output) {
    std::vector<std::string> figureArgs = args;
    figure::FigureOptions options = figure::ParseFigureOptions(figureArgs, clones);
    options.settings.record.command = figure::ShellCommand(CommandWords(args));
    SeriesFigure f;
    f.clonal = clones;
    f.series = std::move(chosen);
    f.fitY = {fitY, fitY};
    WriteSeriesFigure(f, options.settings, Name(output.empty() ? options.output : output));
  };
  if (each) {
    for (std::size_t k = 0; k < series.size(); ++k)
      draw({series[k]}, clonal[k], Numbered(output, k + 1));
  } else {
    draw(series, clonal.front(), {});
  }
  return 0;
}

// morvane-plot --about FILE: what a figure records, or a table's first line.
int About(const std::vector<std::string> &args) {
  if (args.size() != 2 || args[0] != "--about")
    throw UsageError("--about takes one file and no other option");
  QFile file(Name(args[1]));
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error("cannot read " + args[1] + ": " + file.errorString().toStdString());
  const QString recorded = figure::RecordOfFile(file.readAll());
  if (recorded.isEmpty())
    throw std::runtime_error(args[1] + " records nothing of what made it");
  std::cout << recorded.toStdString() << (recorded.endsWith('\n') ? "" : "\n");
  return 0;
}

bool Has(const std::vector<std::string> &args, const char *option) {
  for (const std::string &a : args)
    if (a == option)
      return true;
  return false;
}

} // namespace

int main(int argc, char **argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (Has(args, "--help") || Has(args, "-h")) {
    std::cout << HelpText() << morvane::PlotSweepHelp() << morvane::PlotBasinsHelp() << morvane::PlotBifurcationHelp()
              << morvane::figure::FigureOptionsHelp();
    return 0;
  }
  if (Has(args, "--version")) {
    std::cout << "morvane-plot " MORVANE_VERSION "\n";
    return 0;
  }
  qInstallMessageHandler(QuietQt);
  // The PDF writer lists a figure's fonts in the order of a hash table:
  // with a fixed seed, the same command writes the same bytes.
  QHashSeed::setDeterministicGlobalSeed();
  // There may be no display: the offscreen platform draws all the same.
  int qtArgc = 3;
  char name[] = "morvane-plot", option[] = "-platform", platform[] = "offscreen";
  char *qtArgv[] = {name, option, platform, nullptr};
  QApplication application(qtArgc, qtArgv);
  // A sweep's figure (from its Final file or table) has options of its own.
  if (Has(args, "--sweep"))
    return morvane::PlotSweepMain(args);
  if (Has(args, "--basins"))
    return morvane::PlotBasinsMain(args);
  // So does a bifurcation diagram (from a table of morvane-analyse continue).
  if (Has(args, "--bifurcation"))
    return morvane::PlotBifurcationMain(args);
  try {
    if (Has(args, "--about"))
      return About(args);
    return PlotSeries(args);
  } catch (const UsageError &e) {
    std::cerr << "morvane-plot: " << e.what() << '\n';
    return 2;
  } catch (const morvane::figure::FigureOptionError &e) {
    std::cerr << "morvane-plot: " << e.what() << '\n';
    return 2;
  } catch (const std::exception &e) {
    std::cerr << "morvane-plot: " << e.what() << '\n';
    return 1;
  }
}
