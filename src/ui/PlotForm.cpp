#include "PlotForm.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QStatusBar>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "ChartPicture.h"
#include "FieldExit.h"
#include "framework/Help.h"
#include "framework/Locale.h"
#include "framework/Seams.h"
#include "framework/Windows.h"
#include "state/SimState.h"

namespace morvane::ui {
namespace {

QString FromPath(const std::string &path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

// Space the chart leaves beside its plot area for the left axis and margins.
constexpr int kAxisSpace = 110;

} // namespace

PlotForm::PlotForm(QWidget *parent) : MorvaneForm(parent) {}

void PlotForm::SetUpChart(QChartView *view, const QString &title, const QColor &panel, double yMin,
                          double yMax, double yStep, const std::vector<Line> &lines) {
  // The view comes with its chart, which it owns.
  QChart *chart = view->chart();
  StyleChart(chart, title, panel, font());
  const ChartAxes axes = AddAxes(chart, yMin, yMax, yStep);
  for (const Line &line : lines)
    lines_.push_back(AddLine(chart, axes, line.name, line.title, line.colour));
  view->setRenderHint(QPainter::Antialiasing);
  view->setFrameShape(QFrame::NoFrame);
  view->setBackgroundBrush(panel);
  view->installEventFilter(this);

  // The chart's context menu.
  auto *save = new QAction(QStringLiteral("&Save chart..."), view);
  save->setObjectName(QStringLiteral("SaveChart"));
  view->addAction(save);
  view->setContextMenuPolicy(Qt::ActionsContextMenu);
  OnTrigger(save, [this, view, title] { SaveChartsAs({view}, title + QStringLiteral(".png")); });

  charts_.push_back({view, axes.x});
  UpdateBottomAxis(view);
}

void PlotForm::SetUpWindow(QPushButton *save, QPushButton *quit, QAction *help,
                           std::vector<QLineEdit *> displays, const QString &allCharts) {
  SetBackground(kAqua);
  MakeDisplayFieldsReadable(this);
  displays_ = std::move(displays);
  allChartsName_ = allCharts;
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("LblStatus"));
  statusBar()->addWidget(status_, 1);
  OnClick(save, [this] {
    std::vector<QChartView *> views;
    for (const Chart &c : charts_)
      views.push_back(c.view);
    SaveChartsAs(views, allChartsName_ + QStringLiteral(".png"));
  });
  OnClick(quit, [this] { QuitClick(); });
  OnTrigger(help, [] { HelpMenuRequested(); });
}

QString PlotForm::StatusText() const { return status_ ? status_->text() : QString(); }

void PlotForm::ShowStoredSeries(StoredSeries series) {
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
    for (const Chart &c : charts_)
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
  if (shown_) {
    const StoredSeries &s = *shown_;
    Fill(s.Parameters, [&s] { return Loaded{s.Table, s.Origin}; });
    return;
  }
  Fill(ParametersOf(Sim()), [] {
    // Before the first series no Plot file is bound: nothing to draw.
    if (Sim().PlotFile.Name.empty())
      return Loaded{std::make_shared<const PlotTable>(), QStringLiteral("No series yet.")};
    // The series holds PlotRows + 1 lines, T = 0 to PlotRows; a shorter file
    // is drawn as far as it goes.
    const std::size_t expected = static_cast<std::size_t>(Sim().PlotRows) + 1;
    PlotFileContent content = ReadPlotFile(Sim().PlotFile.Name, expected);
    if (!content.Problem.empty())
      throw std::runtime_error(content.Problem);
    const std::size_t rows = content.Table.Rows();
    const QString name = FromPath(Sim().PlotFile.Name);
    QString note;
    if (rows < expected)
      note = QStringLiteral("Only %1 of the %2 lines of the series (T = 0 to %3) were found in "
                            "%4: only those are drawn.")
                 .arg(rows)
                 .arg(expected)
                 .arg(Sim().PlotRows)
                 .arg(name);
    else
      note = QStringLiteral("%1: %2 points per line, T = %3 to %4.")
                 .arg(name)
                 .arg(rows)
                 .arg(RealText(content.Table.Columns[0].front()),
                      RealText(content.Table.Columns[0].back()));
    return Loaded{std::make_shared<const PlotTable>(std::move(content.Table)), note};
  });
}

void PlotForm::Fill(const SeriesParameters &parameters, const std::function<Loaded()> &load) {
  for (QLineSeries *line : lines_)
    line->clear();
  status_->clear();
  ShowParameters(parameters);
  Loaded loaded;
  try {
    loaded = load();
  } catch (const std::exception &e) {
    status_->setText(QStringLiteral("Nothing drawn: %1").arg(QString::fromUtf8(e.what())));
    throw;
  }
  Draw(*loaded.table);
  status_->setText(loaded.note);
}

void PlotForm::ShowParameters(const SeriesParameters &p) {
  const auto real = [&p](double v) { return p.HasParameters ? RealText(v) : QString(); };
  const auto count = [&p](unsigned v) { return p.HasParameters ? QString::number(v) : QString(); };
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
  for (std::size_t k = 0; k < displays_.size() && k < static_cast<std::size_t>(texts.size()); ++k) {
    QLineEdit *field = displays_[k];
    field->setText(texts[static_cast<qsizetype>(k)]);
    field->setToolTip(field->text());
    field->setCursorPosition(0);
  }
}

void PlotForm::Draw(const PlotTable &table) {
  const std::vector<double> &t = table.Columns[0];
  xMin_ = 0;
  xMax_ = 1;
  if (!t.empty()) {
    const auto [low, high] = std::minmax_element(t.begin(), t.end());
    xMin_ = *low;
    xMax_ = *high > *low ? *high : *low + 1;
  }
  for (const Chart &c : charts_)
    UpdateBottomAxis(c.view);
  for (std::size_t k = 0; k < lines_.size(); ++k)
    lines_[k]->replace(ChartPoints(t, table.Columns[k + 1]));
}

void PlotForm::UpdateBottomAxis(QChartView *view) {
  for (const Chart &c : charts_) {
    if (c.view != view)
      continue;
    // No label may be laid out at the old step across the new range: that
    // could be a label per generation of a long series.
    c.axisX->setTickInterval(std::numeric_limits<double>::max());
    c.axisX->setRange(xMin_, xMax_);
    // As many labels as fit with some room between them.
    const QFontMetrics metrics(c.axisX->labelsFont());
    const double label = metrics.horizontalAdvance(QString::number(
                             std::max(std::fabs(xMin_), std::fabs(xMax_)), 'f', 0)) *
                         1.6;
    const double width = std::max(view->width() - kAxisSpace, 100);
    const double most = std::max(1.0, std::floor(width / std::max(label, 1.0)));
    c.axisX->setTickInterval(NiceStep((xMax_ - xMin_) / std::min(most, 10.0)));
  }
}

void PlotForm::SaveChartsAs(const std::vector<QChartView *> &charts, const QString &suggested) {
  const QString folder = saveFolder_.isEmpty() ? QDir::currentPath() : saveFolder_;
  const QString name = FileDialogs().SaveFileNameAs(this, QDir(folder).filePath(suggested),
                                                    {QStringLiteral("PNG picture (*.png)"),
                                                     QStringLiteral("SVG drawing (*.svg)"),
                                                     QStringLiteral("PDF document (*.pdf)")});
  if (name.isEmpty())
    return;
  saveFolder_ = QFileInfo(name).absolutePath();
  SaveChartPicture(charts, name);
  statusBar()->showMessage(QStringLiteral("Chart saved to %1").arg(name), 8000);
}

void PlotForm::QuitClick() {
  CloseForm();
  ShowWindow(Windows().frmMorvane);
}

} // namespace morvane::ui
