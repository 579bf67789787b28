#include "app/SweepMap.h"

#include <QApplication>
#include <QHashFunctions>
#include <cstdio>

#include "sweep/SweepNames.h"
#include "sweep/SweepOutputs.h"
#include "ui/figure/SweepFigure.h"

namespace morvane {

namespace {

// Notes about the environment (no runtime folder, fonts) say nothing about
// the map; errors still reach stderr.
void QuietQt(QtMsgType type, const QMessageLogContext &, const QString &message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// The settings of a --map-size of width x height pixels, in the format the
// name ends with.
figure::FigureSettings SweepMapSettings(const std::string &file, int width, int height) {
  figure::FigureSettings settings;
  settings.format = HasEnding(file, ".svg")   ? figure::FigureFormat::Svg
                    : HasEnding(file, ".pdf") ? figure::FigureFormat::Pdf
                                              : figure::FigureFormat::Png;
  settings.unit = figure::LengthUnit::Inch;
  settings.dpi = 100;
  settings.width = width / 100.0;
  settings.height = height / 100.0;
  settings.fontPt = 9;
  return settings;
}

} // namespace

void WriteSweepMap(const SweepOptions &o, const std::string &tableFile, const std::string &file,
                   const std::vector<std::string> &arguments) {
  const figure::SweepTable table = figure::ParseSweepTable(ReadInput(tableFile), tableFile);
  figure::FigureSettings settings = SweepMapSettings(o.mapFile, o.mapWidth, o.mapHeight);
  QStringList words{QStringLiteral("morvane-sweep")};
  for (const std::string &a : arguments)
    words << QString::fromStdString(a);
  settings.record.command = figure::ShellCommand(words);
  // The name decides the format; the file written may be a temporary one.
  figure::WriteSweepFigure(table.plan, table.rows, o.mapOf, settings, QString::fromStdString(file));
}

SweepMapApplication::SweepMapApplication() {
  qInstallMessageHandler(QuietQt);
  // The PDF writer lists a figure's fonts in the order of a hash table:
  // with a fixed seed, the same command writes the same bytes.
  QHashSeed::setDeterministicGlobalSeed();
  // There may be no display: the offscreen platform draws all the same.
  static int argc = 3;
  static char name[] = "morvane-sweep", option[] = "-platform", platform[] = "offscreen";
  static char *argv[] = {name, option, platform, nullptr};
  app_ = std::make_unique<QApplication>(argc, argv);
}

SweepMapApplication::~SweepMapApplication() = default;

} // namespace morvane
