#include "PlotForm.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QResizeEvent>
#include <QStatusBar>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "FieldExit.h"
#include "files/TextFile.h"
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

// The step between two labels of the bottom axis: 1, 2, 2.5 or 5 times a
// power of ten, no smaller than `least`, and a whole number of generations.
double NiceStep(double least) {
  if (!(least > 1))
    return 1;
  const double magnitude = std::pow(10.0, std::floor(std::log10(least)));
  for (double factor : {1.0, 2.0, 2.5, 5.0, 10.0})
    if (factor * magnitude >= least && (factor != 2.5 || magnitude >= 10))
      return factor * magnitude;
  return 10 * magnitude;
}

// Space the chart leaves beside its plot area for the left axis and margins.
constexpr int kAxisSpace = 110;

std::runtime_error SaveFailure(const QString &fileName, const QString &why) {
  return std::runtime_error(
      QStringLiteral("Cannot save the chart to %1:\n%2").arg(fileName, why).toStdString());
}

} // namespace

QList<QPointF> ChartPoints(const std::vector<double> &x, const std::vector<double> &y) {
  const std::size_t n = std::min(x.size(), y.size());
  QList<QPointF> points;
  if (n <= kThinAbove) {
    points.reserve(static_cast<qsizetype>(n));
    for (std::size_t i = 0; i < n; ++i)
      points.append(QPointF(x[i], y[i]));
    return points;
  }
  const auto [low, high] = std::minmax_element(x.begin(), x.begin() + static_cast<long>(n));
  const double first = *low;
  const double scale = *high > first ? kChartColumns / (*high - first) : 0;
  auto column = [&](std::size_t i) {
    return std::min(static_cast<long>((x[i] - first) * scale),
                    static_cast<long>(kChartColumns - 1));
  };
  points.reserve(4 * kChartColumns + 4);
  std::size_t start = 0;
  while (start < n) {
    const long col = column(start);
    std::size_t end = start + 1, lowest = start, highest = start;
    for (; end < n && column(end) == col; ++end) {
      if (y[end] < y[lowest])
        lowest = end;
      if (y[end] > y[highest])
        highest = end;
    }
    const std::size_t keep[4] = {start, std::min(lowest, highest), std::max(lowest, highest),
                                 end - 1};
    std::size_t last = n;
    for (std::size_t i : keep)
      if (i != last) {
        points.append(QPointF(x[i], y[i]));
        last = i;
      }
    start = end;
  }
  return points;
}

void SaveChartPicture(const std::vector<QChartView *> &charts, const QString &fileName) {
  const QString format = QFileInfo(fileName).suffix().toLower();
  if (format != "png" && format != "svg" && format != "pdf")
    throw SaveFailure(fileName, QStringLiteral("the name must end in .png, .svg or .pdf."));
  QSize size(0, 0);
  for (QChartView *view : charts)
    size = QSize(size.width() + view->width(), std::max(size.height(), view->height()));
  if (size.isEmpty())
    throw SaveFailure(fileName, QStringLiteral("the chart has no size."));
  const QColor panel = charts.front()->chart()->backgroundBrush().color();
  // The charts side by side, drawn as vector graphics at any scale.
  auto paint = [&charts](QPainter &painter) {
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    qreal left = 0;
    for (QChartView *view : charts) {
      view->scene()->render(&painter, QRectF(left, 0, view->width(), view->height()),
                            view->sceneRect());
      left += view->width();
    }
  };

  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (format == "png") {
    QImage image(size * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(panel);
    {
      QPainter painter(&image);
      paint(painter);
    }
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
      throw SaveFailure(fileName, writer.errorString());
  } else if (format == "svg") {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(QFileInfo(fileName).completeBaseName());
    svg.setDescription(QStringLiteral("Morvane v2"));
    QPainter painter(&svg);
    paint(painter);
  } else {
    QPdfWriter pdf(&buffer);
    // One page the size of the charts, at the screen's 96 dots per inch.
    pdf.setResolution(96);
    pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / 96.0, QPageSize::Point));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setCreator(QStringLiteral("Morvane v2"));
    pdf.setTitle(QFileInfo(fileName).completeBaseName());
    QPainter painter(&pdf);
    paint(painter);
  }
  buffer.close();
  try {
    const std::string path = QFile::encodeName(fileName).toStdString();
    CreateEmptyFile(path);
    AppendToFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  } catch (const FileError &e) {
    throw SaveFailure(fileName, QString::fromUtf8(e.what()));
  }
}

PlotForm::PlotForm(QWidget *parent) : MorvaneForm(parent) {}

void PlotForm::SetUpChart(QChartView *view, const QString &title, const QColor &panel, double yMin,
                          double yMax, double yStep, const std::vector<Line> &lines) {
  const QColor ink = panel.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black);
  // The view comes with its chart, which it owns.
  QChart *chart = view->chart();
  chart->setTitle(title);
  QFont titleFont = font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
  chart->setTitleFont(titleFont);
  chart->setTitleBrush(ink);
  chart->setBackgroundBrush(panel);
  chart->setBackgroundRoundness(0);
  chart->setDropShadowEnabled(false);
  // No fill of its own: the panel shows behind the lines.
  chart->setPlotAreaBackgroundVisible(false);
  chart->setAnimationOptions(QChart::NoAnimation);
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  chart->setLocale(locale);
  chart->setLocalizeNumbers(true);
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->legend()->setLabelColor(ink);

  auto *axisX = new QValueAxis;
  axisX->setTitleText(QStringLiteral("Generations T"));
  axisX->setLabelFormat(QStringLiteral("%.0f"));
  axisX->setTickType(QValueAxis::TicksDynamic);
  axisX->setTickAnchor(0);
  auto *axisY = new QValueAxis;
  axisY->setRange(yMin, yMax);
  // A label every yStep. The range is fixed, so a fixed number of ticks
  // gives it exactly; ticks laid from an anchor at a dynamic interval are
  // summed step by step, and on -1..1 the one at zero comes out as "-0.0".
  axisY->setTickType(QValueAxis::TicksFixed);
  axisY->setTickCount(static_cast<int>(std::lround((yMax - yMin) / yStep)) + 1);
  axisY->setMinorTickCount(1);
  axisY->setLabelFormat(yStep < 0.1 - 1e-9 ? QStringLiteral("%.2f") : QStringLiteral("%.1f"));
  for (QValueAxis *axis : {axisX, axisY}) {
    axis->setLabelsColor(ink);
    axis->setTitleBrush(ink);
  }
  chart->addAxis(axisX, Qt::AlignBottom);
  chart->addAxis(axisY, Qt::AlignLeft);

  for (const Line &line : lines) {
    auto *series = new QLineSeries(chart);
    series->setObjectName(QString::fromLatin1(line.name));
    series->setName(QString::fromLatin1(line.title));
    QPen pen(line.colour);
    pen.setWidthF(2);
    series->setPen(pen);
    series->setPointsVisible(false);
    series->setPointLabelsVisible(false);
    chart->addSeries(series);
    series->attachAxis(axisX);
    series->attachAxis(axisY);
    lines_.push_back(series);
  }
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

  charts_.push_back({view, axisX});
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
