#include "ui/charts/PlotForm.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QScatterSeries>
#include <QStatusBar>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "files/TableCsv.h"
#include "files/TextFile.h"
#include "state/SimState.h"
#include "ui/figure/ExportDialog.h"
#include "ui/figure/RoundTicks.h"
#include "ui/figure/SeriesFigure.h"
#include "ui/framework/FileDialogs.h"
#include "ui/framework/Help.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Seams.h"
#include "ui/framework/Windows.h"
#include "ui/series/FieldExit.h"

namespace morvane::ui {
namespace {

QString FromPath(const std::string &path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

// Space the chart leaves beside its plot area for the left axis and margins.
constexpr int kAxisSpace = 110;

// Whether `detail`, a series of the Detail file, is the series whose Plot
// file is `plot`: the same generations, each value the Plot file's to the
// rounding of its decimals (5 after the first line, Fit 2). The first lines
// of both files round their values to 2 to 4 decimals, each in its own way.
bool SameSeries(const PlotTable &detail, const PlotTable &plot, bool clonal) {
  if (detail.Rows() != plot.Rows())
    return false;
  for (std::size_t row = 0; row < plot.Rows(); ++row) {
    if (detail.Columns[0][row] != plot.Columns[0][row])
      return false;
    for (std::size_t column = 1; column <= 4; ++column) {
      const bool twoDecimals = column == 4 && (clonal ? row == 0 : true);
      const double half = twoDecimals ? 0.0055 : row == 0 ? 0.00055 : 0.000005;
      if (!(std::fabs(detail.Columns[column][row] - plot.Columns[column][row]) <= half * 1.0001))
        return false;
    }
  }
  return true;
}

// The current series at the precision the run computed it: the last series
// of its Detail file (the `number`th), when that is the series of `plot`.
// Nothing when the
// Detail file cannot be read or holds another series (a Detail file chosen
// since, or edited).
std::optional<PlotTable> FullPrecisionSeries(const PlotTable &plot, bool clonal,
                                             std::size_t &number) {
  if (Sim().DetailFile.Name.empty() || plot.Rows() == 0)
    return std::nullopt;
  try {
    DetailFileContent content = ReadDetailFile(Sim().DetailFile.Name);
    if (content.Series.empty() || content.Series.back().Clonal != clonal ||
        !SameSeries(content.Series.back().Table, plot, clonal))
      return std::nullopt;
    number = content.Series.size();
    return std::move(content.Series.back().Table);
  } catch (const SeriesFileError &) {
    return std::nullopt;
  }
}

} // namespace

PlotForm::PlotForm(QWidget *parent) : MorvaneForm(parent) {}

void PlotForm::SetUpChart(QChartView *view, const ChartDesign &design, const QColor &panel) {
  // The view comes with its chart, which it owns.
  QChart *chart = view->chart();
  ChartLook look;
  look.font = font();
  StyleChart(chart, design.title, panel, look);
  const ChartAxes axes = AddAxes(chart, design, look);
  for (const LineDesign &line : design.lines)
    lines_.push_back({AddLine(chart, axes, line, look), line, charts_.size()});
  view->setRenderHint(QPainter::Antialiasing);
  view->setFrameShape(QFrame::NoFrame);
  view->setBackgroundBrush(panel);
  view->installEventFilter(this);

  // The chart's context menu. Its "Save chart..." opens the export dialog on
  // this chart alone.
  const figure::FigureCharts alone =
      charts_.empty() ? figure::FigureCharts::Frequencies : figure::FigureCharts::Fitness;
  auto *save = new QAction(QStringLiteral("&Save chart..."), view);
  save->setObjectName(QStringLiteral("SaveChart"));
  view->addAction(save);
  view->setContextMenuPolicy(Qt::ActionsContextMenu);
  OnTrigger(save, [this, alone] { SaveChartsAs(alone); });
  auto *exportData = new QAction(QStringLiteral("&Export data..."), view);
  exportData->setObjectName(QStringLiteral("ExportData"));
  view->addAction(exportData);
  OnTrigger(exportData, [this] { ExportData(); });
  exportActions_.push_back(exportData);

  auto *fitY = new QAction(QStringLiteral("&Fit y to data"), view);
  fitY->setObjectName(QStringLiteral("FitYToData"));
  fitY->setCheckable(true);
  view->addAction(fitY);
  OnTrigger(fitY, [this, view, fitY] {
    view->chart()->zoomReset();
    UpdateBottomAxis(view);
    for (Chart &c : charts_)
      if (c.view == view) {
        c.fitY = fitY->isChecked();
        UpdateLeftAxis(c);
      }
  });

  // Rubber-band zoom with the left button; "Reset zoom" goes back.
  view->setRubberBand(QChartView::RectangleRubberBand);
  auto *resetZoom = new QAction(QStringLiteral("&Reset zoom"), view);
  resetZoom->setObjectName(QStringLiteral("ResetZoom"));
  view->addAction(resetZoom);
  OnTrigger(resetZoom, [this, view] {
    view->chart()->zoomReset();
    for (Chart &c : charts_)
      if (c.view == view) {
        UpdateBottomAxis(view);
        UpdateLeftAxis(c);
      }
  });
  // A zoomed axis keeps round labels.
  for (QValueAxis *axis : {axes.x, axes.y})
    connect(axis, &QValueAxis::rangeChanged, this, [chart, axis](qreal low, qreal high) {
      if (chart->isZoomed() && high > low)
        SetZoomedTicks(axis, low, high);
    });

  charts_.push_back({view, axes.x, axes.y, &design});
  UpdateBottomAxis(view);
  // The left axis's labels follow the height of the plot area.
  const std::size_t index = charts_.size() - 1;
  connect(chart, &QChart::plotAreaChanged, this, [this, index] { UpdateLeftAxis(charts_[index]); });
}

void PlotForm::SetUpWindow(QPushButton *save, QPushButton *quit, QAction *help,
                           std::vector<QLineEdit *> displays) {
  SetBackground(kAqua);
  MakeDisplayFieldsReadable(this);
  displays_ = std::move(displays);
  // The folders last used, in this session or before.
  saveFolder_ = RememberedFolder(QStringLiteral("charts"));
  dataFolder_ = RememberedFolder(QStringLiteral("data"));
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("LblStatus"));
  statusBar()->addWidget(status_, 1);
  OnClick(save, [this] {
    SaveChartsAs(charts_.size() > 1 ? figure::FigureCharts::Both
                                    : figure::FigureCharts::Frequencies);
  });
  quit_ = quit;
  quitText_ = quit->text();
  OnClick(quit, [this] { QuitClick(); });
  OnTrigger(help, [] { HelpMenuRequested(); });
}

QString PlotForm::StatusText() const { return status_ ? status_->text() : QString(); }

void PlotForm::ShowStoredSeries(std::vector<StoredSeries> series) {
  pending_ = std::move(series);
  ShowForm();
}

bool PlotForm::event(QEvent *e) {
  // The user coming back to the window from another of the program's
  // windows sees the same series again; a window that shows this one (the
  // Stop of a disturbance window) gets the current series.
  if (e->type() == QEvent::WindowActivate && LastActiveForm() != this && isVisible()) {
    returning_ = true;
    const bool handled = MorvaneForm::event(e);
    returning_ = false;
    return handled;
  }
  return MorvaneForm::event(e);
}

bool PlotForm::eventFilter(QObject *watched, QEvent *e) {
  if (e->type() == QEvent::Resize)
    for (Chart &c : charts_)
      if (c.view == watched)
        UpdateBottomAxis(c.view);
  return MorvaneForm::eventFilter(watched, e);
}

void PlotForm::FormActivate() {
  if (pending_) {
    shown_ = std::move(pending_);
    pending_.reset();
  } else if (!returning_) {
    shown_.reset();
  }
  // Only the current series knows where its reruns started: the files do
  // not say.
  reruns_ = shown_ ? std::vector<SimState::RerunStart>() : Sim().RerunStarts;
  // A series the plot menu drew goes back to the menu's list of series.
  if (quit_)
    quit_->setText(shown_ ? QStringLiteral("&Back") : quitText_);
  if (shown_) {
    const std::vector<StoredSeries> &stored = *shown_;
    std::vector<SeriesParameters> parameters;
    for (const StoredSeries &s : stored)
      parameters.push_back(s.Parameters);
    Fill(parameters, [&stored] {
      Loaded loaded;
      for (const StoredSeries &s : stored)
        loaded.series.push_back({s.Parameters, s.Table, s.Name});
      if (stored.size() == 1) {
        loaded.note = stored.front().Origin;
        return loaded;
      }
      const QStringList labels = SeriesLabels(loaded.series);
      QStringList names;
      for (std::size_t k = 0; k < stored.size(); ++k) {
        const QString &label = labels[qsizetype(k)];
        names << (label == stored[k].Name ? label : label + " (" + stored[k].Name + ")");
      }
      loaded.note = QStringLiteral("%1 series drawn together: %2.")
                        .arg(stored.size())
                        .arg(names.join(QStringLiteral("; ")));
      return loaded;
    });
    return;
  }
  Fill({ParametersOf(Sim())}, [this] {
    // Before the first series no Plot file is bound: nothing to draw.
    if (Sim().PlotFile.Name.empty())
      return Loaded{{{ParametersOf(Sim()), std::make_shared<const PlotTable>(), QString()}},
                    QStringLiteral("No series yet.")};
    // The series holds PlotRows + 1 lines, T = 0 to PlotRows; a shorter file
    // is drawn as far as it goes.
    const std::size_t expected = static_cast<std::size_t>(Sim().PlotRows) + 1;
    PlotFileContent content = ReadPlotFile(Sim().PlotFile.Name, expected);
    if (!content.Problem.empty())
      throw std::runtime_error(content.Problem);
    const std::size_t rows = content.Table.Rows();
    QString name = FromPath(Sim().PlotFile.Name);
    // The Plot file rounds its values (Fit to 0.01): the Detail file gives
    // them whole when it holds the series.
    const bool clonal = displays_.size() != 16;
    std::size_t number = 0;
    QStringList source;
    if (std::optional<PlotTable> full = FullPrecisionSeries(content.Table, clonal, number)) {
      content.Table = std::move(*full);
      name = FromPath(Sim().DetailFile.Name);
      source = {QStringLiteral("--detail"), name, QStringLiteral("--series"),
                QString::number(number)};
    } else if (rows > 0) {
      name += QStringLiteral(" (rounded values: the Detail file does not hold this series)");
    }
    QString note;
    if (rows < expected)
      note = QStringLiteral("Only %1 of the %2 lines of the series (T = 0 to %3) were found in "
                            "%4: only those are drawn.")
                 .arg(rows)
                 .arg(expected)
                 .arg(Sim().PlotRows)
                 .arg(FromPath(Sim().PlotFile.Name));
    else
      note = QStringLiteral("%1: %2 points per line, T = %3 to %4.")
                 .arg(name)
                 .arg(rows)
                 .arg(RealText(content.Table.Columns[0].front()),
                      RealText(content.Table.Columns[0].back()));
    return Loaded{
        {{ParametersOf(Sim()), std::make_shared<const PlotTable>(std::move(content.Table)),
          QString(), reruns_, source}},
        note};
  });
}

void PlotForm::Fill(const std::vector<SeriesParameters> &parameters,
                    const std::function<Loaded()> &load) {
  for (const DrawnLine &line : lines_)
    line.series->clear();
  drawn_.clear();
  status_->clear();
  ShowParameters(parameters);
  Loaded loaded;
  try {
    loaded = load();
  } catch (const std::exception &e) {
    // No axis of the previous series stays behind the empty charts.
    drawn_ = {{parameters.empty() ? SeriesParameters() : parameters.front(),
               std::make_shared<const PlotTable>(), QString()}};
    Draw(drawn_);
    status_->setText(QStringLiteral("Nothing drawn: %1").arg(QString::fromUtf8(e.what())));
    throw;
  }
  drawn_ = std::move(loaded.series);
  Draw(drawn_);
  status_->setText(loaded.note);
}

void PlotForm::ShowParameters(const std::vector<SeriesParameters> &parameters) {
  const auto textsOf = [this](const SeriesParameters &p) {
    const auto real = [&p](double v) { return p.HasParameters ? RealText(v) : QString(); };
    const auto count = [&p](unsigned v) {
      return p.HasParameters ? QString::number(v) : QString();
    };
    QStringList texts = {real(p.SoftProp),
                         real(p.HabFreq),
                         real(p.MigSurv),
                         count(p.TriesAB),
                         count(p.TriesaB),
                         real(p.W1A),
                         real(p.W1a),
                         real(p.W2A),
                         real(p.W2a),
                         QString::fromStdString(p.TradeOffStatus),
                         QString::fromStdString(p.ESSStatus)};
    // The clonal window shows neither ploidy nor reproduction.
    if (displays_.size() == 16)
      texts << QString::fromStdString(p.Ploidy) << QString::fromStdString(p.Reproduction);
    texts << FromPath(p.FinalFileName) << FromPath(p.DetailFileName) << FromPath(p.PlotFileName);
    return texts;
  };
  QStringList texts = textsOf(parameters.empty() ? SeriesParameters() : parameters.front());
  for (std::size_t n = 1; n < parameters.size(); ++n) {
    const QStringList other = textsOf(parameters[n]);
    for (qsizetype k = 0; k < texts.size(); ++k)
      if (other[k] != texts[k])
        texts[k].clear();
  }
  for (std::size_t k = 0; k < displays_.size() && k < static_cast<std::size_t>(texts.size()); ++k) {
    QLineEdit *field = displays_[k];
    field->setText(texts[static_cast<qsizetype>(k)]);
    field->setToolTip(field->text());
    field->setCursorPosition(0);
  }
}

void PlotForm::Draw(const std::vector<FigureSeries> &series) {
  for (QAbstractSeries *line : otherLines_) {
    line->chart()->removeSeries(line);
    delete line;
  }
  otherLines_.clear();
  double low = std::numeric_limits<double>::infinity(), high = -low;
  for (const FigureSeries &one : series)
    if (!one.table->Columns[0].empty()) {
      const auto [least, most] =
          std::minmax_element(one.table->Columns[0].begin(), one.table->Columns[0].end());
      low = std::min(low, *least);
      high = std::max(high, *most);
    }
  xMin_ = low <= high ? low : 0;
  xMax_ = low <= high ? (high > low ? high : low + 1) : 1;
  for (const Chart &c : charts_) {
    c.view->chart()->zoomReset();
    UpdateBottomAxis(c.view);
  }

  // The window's own lines draw the first series (a line its model does not
  // draw, such as a haploid's Fit, is hidden), the others lines of their own:
  // colours, markers and names as in the figure of the same series. Several
  // series have the figure's keys in the legend: the quantities by their
  // dashes, the series by colour and marker.
  const SeriesFigure figure{displays_.size() != 16, series, {}};
  const bool several = series.size() > 1;
  const QStringList labels = several ? SeriesLabels(series) : QStringList();
  const PlotTable none;
  const PlotTable &first = series.empty() ? none : *series.front().table;
  for (const DrawnLine &drawn : lines_) {
    const int column = drawn.line.column;
    drawn.series->replace(WithRerunStarts(
        ChartPoints(first.Columns[0], first.Columns[static_cast<std::size_t>(column)]), reruns_,
        column));
    drawn.series->setVisible(false);
  }
  ChartLook look;
  look.font = font();
  const auto keyEntry = [this, &look](Chart &c, const QPen &pen, const QString &name) {
    auto *key = new QLineSeries(c.view->chart());
    key->setObjectName(QStringLiteral("Key"));
    key->setName(name);
    key->setPen(pen);
    c.view->chart()->addSeries(key);
    key->attachAxis(c.axisX);
    key->attachAxis(c.axisY);
    otherLines_.push_back(key);
  };
  for (std::size_t k = 0; k < charts_.size(); ++k) {
    Chart &c = charts_[k];
    const ChartDesign design = DrawnDesign(figure, *c.design);
    c.view->chart()->setTitle(design.title);
    c.axisY->setTitleText(design.yTitle);
    QStringList quantities;
    for (const FigureLine &line : FigureLines(figure, *c.design)) {
      const FigureSeries &one = series[line.series];
      const std::vector<double> &x = one.table->Columns[0];
      const std::vector<double> &y = one.table->Columns[static_cast<std::size_t>(line.line.column)];
      QLineSeries *drawn = nullptr;
      if (line.series == 0) {
        for (const DrawnLine &own : lines_)
          if (own.chart == k && qstrcmp(own.line.name, line.line.name) == 0)
            drawn = own.series;
        if (!drawn)
          continue;
        QPen pen = drawn->pen();
        pen.setColor(line.line.colour);
        drawn->setPen(pen);
        drawn->setVisible(true);
      } else {
        drawn = AddLine(c.view->chart(), {c.axisX, c.axisY}, line.line, look);
        drawn->setObjectName(QStringLiteral("%1.%2").arg(line.line.name).arg(line.series + 1));
        drawn->replace(ChartPoints(x, y));
        otherLines_.push_back(drawn);
      }
      drawn->setName(line.name);
      for (QLegendMarker *entry : c.view->chart()->legend()->markers(drawn))
        entry->setVisible(!several);
      if (line.marker != Marker::None)
        otherLines_.push_back(AddMarkers(c.view->chart(), {c.axisX, c.axisY}, line.marker,
                                         line.line.colour,
                                         MarkerPoints(x, y, line.series, series.size()), look));
      const QString quantity = QString::fromLatin1(line.line.title);
      if (several && !quantities.contains(quantity)) {
        quantities << quantity;
        keyEntry(c,
                 QPen(InkOn(c.view->chart()->backgroundBrush().color()), look.lineWidth,
                      line.line.style),
                 quantity);
      }
    }
    for (std::size_t n = 0; several && n < series.size(); ++n)
      keyEntry(c, QPen(SeriesColour(n), look.lineWidth, Qt::SolidLine), labels[qsizetype(n)]);
    c.view->chart()->legend()->setMarkerShape(several ? QLegend::MarkerShapeFromSeries
                                                      : QLegend::MarkerShapeRectangle);
  }
  for (Chart &c : charts_) {
    for (QAbstractSeries *marker : c.view->chart()->series())
      if (marker->objectName() == QLatin1String(kRerunMarkerName))
        c.view->chart()->removeSeries(marker), delete marker;
    AddRerunMarkers(c.view->chart(), {c.axisX, c.axisY},
                    first.Columns[0].empty() ? decltype(reruns_)() : reruns_);
  }
  for (Chart &c : charts_)
    UpdateLeftAxis(c);
  for (QAction *exportData : exportActions_)
    exportData->setEnabled(!series.empty());
}

void PlotForm::UpdateBottomAxis(QChartView *view) {
  // A zoomed chart keeps the range the user chose until "Reset zoom".
  if (view->chart()->isZoomed())
    return;
  for (const Chart &c : charts_)
    if (c.view == view)
      SetBottomAxis(c.axisX, xMin_, xMax_, std::max(view->width() - kAxisSpace, 100));
}

void PlotForm::UpdateLeftAxis(Chart &c) {
  if (c.view->chart()->isZoomed())
    return;
  // As many labels as fit the plot area once it is laid out.
  const double plotHeight = c.view->chart()->plotArea().height();
  const double label = QFontMetricsF(c.axisY->labelsFont()).height() * 1.8;
  SetLeftAxis(c.axisY, *c.design, c.fitY, c.view->chart(),
              plotHeight >= label * 2 ? int(plotHeight / label) : 1000);
}

void PlotForm::SaveChartsAs(figure::FigureCharts charts) {
  const QString name = SaveFigureAs(this, ShownFigure(), charts, ExportName(), saveFolder_);
  if (!name.isEmpty())
    statusBar()->showMessage(QStringLiteral("Chart saved to %1").arg(name), 8000);
}

SeriesFigure PlotForm::ShownFigure() const {
  SeriesFigure figure;
  figure.clonal = displays_.size() != 16;
  figure.series = drawn_;
  for (const Chart &c : charts_) {
    figure.fitY.push_back(c.fitY);
    // A zoomed chart can be saved as shown.
    if (c.view->chart()->isZoomed())
      figure.shown.push_back(
          ShownRange{c.axisX->min(), c.axisX->max(), c.axisY->min(), c.axisY->max()});
    else
      figure.shown.push_back(std::nullopt);
  }
  // The clones' one chart is the first of its figure.
  return figure;
}

void PlotForm::ExportData() {
  const bool clonal = displays_.size() != 16;
  const QString folder = !dataFolder_.isEmpty()   ? dataFolder_
                         : !saveFolder_.isEmpty() ? saveFolder_
                                                  : QDir::currentPath();
  const QString suggested = ExportName() + QStringLiteral("-data.csv");
  const QString name = FileDialogs().SaveFileNameAs(this, QDir(folder).filePath(suggested),
                                                    {QStringLiteral("CSV table (*.csv)")});
  if (name.isEmpty())
    return;
  dataFolder_ = QFileInfo(name).absolutePath();
  RememberFolder(QStringLiteral("data"), dataFolder_);
  const auto columnsOf = [clonal](const FigureSeries &s) {
    return DrawnColumns(clonal, !clonal && s.parameters.Ploidy == "Haploid");
  };
  try {
    const std::string path = QFile::encodeName(name).toStdString();
    if (drawn_.size() > 1) {
      // Several series: one long table, each row naming its series as the
      // legend does.
      const QStringList labels = SeriesLabels(drawn_);
      std::vector<CsvSeries> all;
      for (std::size_t k = 0; k < drawn_.size(); ++k)
        all.push_back(
            {labels[qsizetype(k)].toStdString(), drawn_[k].table.get(), columnsOf(drawn_[k])});
      WriteLongTableCsv(path, all);
    } else {
      WriteTableCsv(path, drawn_.empty() ? PlotTable{} : *drawn_.front().table,
                    drawn_.empty() ? DrawnColumns(clonal, false) : columnsOf(drawn_.front()));
    }
  } catch (const FileError &e) {
    throw std::runtime_error(QStringLiteral("Cannot export the data to %1:\n%2")
                                 .arg(name, QString::fromUtf8(e.what()))
                                 .toStdString());
  }
  statusBar()->showMessage(QStringLiteral("Data exported to %1").arg(name), 8000);
}

QString PlotForm::ExportName() const {
  if (!shown_)
    return QStringLiteral("series");
  if (shown_->size() > 1)
    return QStringLiteral("series-together");
  // "trace.gnr, series 2": trace-series-2.
  QString name = shown_->front().Name;
  name.replace(QRegularExpression(QStringLiteral("\\.[A-Za-z0-9]+,")), QStringLiteral(","));
  name = name.toLower()
             .replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"))
             .remove(QRegularExpression(QStringLiteral("^-|-$")));
  return name.isEmpty() ? QStringLiteral("series") : name;
}

void PlotForm::QuitClick() {
  const bool fromMenu = shown_.has_value();
  CloseForm();
  ShowWindow(fromMenu ? Windows().FrmPlotMenu : Windows().frmMorvane);
}

} // namespace morvane::ui
