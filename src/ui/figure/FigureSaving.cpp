#include "ui/figure/FigureSaving.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <stdexcept>

#include "ui/framework/FileDialogs.h"

namespace morvane::figure {

FigureToSave
OneChartFigure(const QString &caption, const QString &stem,
               std::function<void(const FigureSettings &, const QString &path)> write) {
  FigureToSave figure;
  figure.choices = {{FigureCharts::Frequencies, caption}};
  figure.initial = FigureCharts::Frequencies;
  figure.stem = [stem](const FigureSettings &) { return stem; };
  figure.write = std::move(write);
  return figure;
}

QString SaveFigureFile(QWidget *parent, const FigureToSave &figure) {
  QString folder;
  return SaveFigureFile(parent, figure, folder);
}

QString SaveFigureFile(QWidget *parent, const FigureToSave &figure, QString &folder) {
  QSettings store(QStringLiteral("Morvane"), QStringLiteral("Morvane"));
  std::optional<FigureSettings> settings =
      ExportDialog::Ask(parent, figure.choices, figure.initial, store, figure.check, figure.zoomed);
  if (!settings)
    return {};
  const char *suffixes[] = {"png", "svg", "pdf"};
  const QString suffix = QString::fromLatin1(suffixes[int(settings->format)]);
  const QStringList filters[] = {{QStringLiteral("PNG picture (*.png)")},
                                 {QStringLiteral("SVG drawing (*.svg)")},
                                 {QStringLiteral("PDF document (*.pdf)")}};
  if (folder.isEmpty())
    folder = ui::RememberedFolder(QStringLiteral("charts"));
  QString name =
      ui::FileDialogs().SaveFileNameAs(parent,
                                       QDir(folder.isEmpty() ? QDir::currentPath() : folder)
                                           .filePath(figure.stem(*settings) + "." + suffix),
                                       filters[int(settings->format)]);
  if (name.isEmpty())
    return {};
  folder = QFileInfo(name).absolutePath();
  ui::RememberFolder(QStringLiteral("charts"), folder);
  const QString given = QFileInfo(name).suffix().toLower();
  if (given.isEmpty() && !name.endsWith('.'))
    name += "." + suffix;
  else if (given == "png" || given == "svg" || given == "pdf")
    settings->format = given == "png"   ? FigureFormat::Png
                       : given == "svg" ? FigureFormat::Svg
                                        : FigureFormat::Pdf;
  else
    throw std::runtime_error(
        QStringLiteral("Cannot save the figure to %1:\nthe name must end in .png, .svg or .pdf.")
            .arg(name)
            .toStdString());
  figure.write(*settings, name);
  return name;
}

} // namespace morvane::figure
