#include "ui/charts/UPlotMenu.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <stdexcept>

#include "files/PlotFile.h"
#include "files/SeriesReader.h"
#include "ui/framework/FileDialogs.h"
#include "ui/framework/Help.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Seams.h"
#include "ui/framework/Windows.h"
#include "ui/series/FieldExit.h"
#include "ui_UPlotMenu.h"

using namespace morvane::ui;

namespace {

std::string FilePath(const QString &name) { return QFile::encodeName(name).toStdString(); }

// The wait cursor while a file is read: a Detail file may hold millions of
// lines.
class WaitCursor {
public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor &) = delete;
  WaitCursor &operator=(const WaitCursor &) = delete;
};

QString Generations(std::size_t rows) {
  const std::size_t n = rows > 0 ? rows - 1 : 0;
  return n == 1 ? QStringLiteral("1 generation") : QStringLiteral("%1 generations").arg(n);
}

// Whether two names are those of one file.
bool SameFile(const QString &a, const QString &b) {
  const QFileInfo x(a), y(b);
  return x.exists() && y.exists() ? x.canonicalFilePath() == y.canonicalFilePath()
                                  : x.absoluteFilePath() == y.absoluteFilePath();
}

} // namespace

TFrmPlotMenu::TFrmPlotMenu(QWidget *parent)
    : MorvaneForm(parent), ui(std::make_unique<Ui::TFrmPlotMenu>()) {
  ui->setupUi(this);
  SetBackground(kAqua);
  MakeDisplayFieldsReadable(this);
  figureFolder_ = RememberedFolder(QStringLiteral("charts"));
  ui->BtnPlot->setEnabled(false);
  ui->LstSeries->setWordWrap(true);
  ui->LstSeries->setSpacing(2);
  OnClick(ui->BtnOpenDetail, [this] { BtnOpenDetailClick(); });
  OnClick(ui->BtnAddDetail, [this] { BtnAddDetailClick(); });
  OnClick(ui->BtnOpenPlot, [this] { BtnOpenPlotClick(); });
  OnClick(ui->BtnPlot, [this] { BtnPlotClick(); });
  // Several series can be chosen and saved together in one figure.
  ui->LstSeries->setSelectionMode(QAbstractItemView::ExtendedSelection);
  auto *together = new QPushButton(QStringLiteral("Save chosen series &together..."), this);
  together->setObjectName(QStringLiteral("BtnSaveTogether"));
  for (QBoxLayout *row : findChildren<QBoxLayout *>())
    if (const int at = row->indexOf(ui->BtnPlot); at >= 0) {
      row->insertWidget(at + 1, together);
      break;
    }
  OnClick(together, [this] { BtnSaveTogetherClick(); });
  OnClick(ui->BtnBackP, [this] { BtnBackPClick(); });
  OnTrigger(ui->Help1, [this] { Help1Click(); });
  connect(ui->LstSeries, &QListWidget::itemActivated, this,
          [this] { Guard([this] { BtnPlotClick(); }); });
}

TFrmPlotMenu::~TFrmPlotMenu() = default;

QString TFrmPlotMenu::AskFile(const QStringList &filters) {
  // No name in force: the dialog opens in the folder of the last file of the
  // same kind.
  return FileDialogs().OpenExistingFileName(this, QString(), filters);
}

void TFrmPlotMenu::StartList(const QString &fileName) {
  entries_.clear();
  files_.clear();
  ui->LblNote->clear();
  ShowList(0);
  ui->TxtFile->setText(fileName);
  ui->TxtFile->setToolTip(fileName);
  ui->TxtFile->setCursorPosition(0);
}

void TFrmPlotMenu::FinishList(const QString &fileName, std::vector<Entry> read,
                              const std::string &problem, const QString &nothing, bool add) {
  QString note;
  if (!problem.empty())
    note = QString::fromStdString(problem) + ".\n" +
           (read.empty() ? QStringLiteral("Nothing could be read from %1.").arg(fileName)
                         : QStringLiteral("What could be read is listed."));
  else if (read.empty())
    note = nothing;
  if (!add || !read.empty()) {
    const int first = static_cast<int>(entries_.size());
    if (!read.empty())
      files_ << fileName;
    for (Entry &e : read)
      entries_.push_back(std::move(e));
    ShowList(first);
    const QString before = add ? ui->LblNote->text() : QString();
    ui->LblNote->setText(before.isEmpty() || note.isEmpty() ? before + note : before + "\n" + note);
  }
  if (!note.isEmpty())
    ShowMessage(note);
}

void TFrmPlotMenu::ShowList(int current) {
  const bool several = files_.size() > 1;
  ui->LstSeries->clear();
  for (const Entry &e : entries_) {
    auto *item = new QListWidgetItem(
        several ? QStringLiteral("%1, %2%3")
                      .arg(QFileInfo(e.file).fileName(), e.text.left(1).toLower(), e.text.mid(1))
                : e.text,
        ui->LstSeries);
    item->setToolTip(e.file);
  }
  if (!entries_.empty())
    ui->LstSeries->setCurrentRow(current);
  ui->BtnPlot->setEnabled(!entries_.empty());
  ui->LblSeries->setText(several ? QStringLiteral("Series in the files:")
                                 : QStringLiteral("Series in the file:"));
  if (!files_.isEmpty()) {
    ui->TxtFile->setText(files_.join(QStringLiteral("; ")));
    ui->TxtFile->setToolTip(files_.join(QStringLiteral("\n")));
    ui->TxtFile->setCursorPosition(0);
  }
}

void TFrmPlotMenu::BtnOpenDetailClick() { ReadDetail(false); }

void TFrmPlotMenu::BtnAddDetailClick() { ReadDetail(true); }

void TFrmPlotMenu::ReadDetail(bool add) {
  const QString name =
      AskFile({QStringLiteral("Detail files (*.gnr)"), QStringLiteral("All files (*)")});
  if (name.isEmpty())
    return;
  if (add)
    for (const QString &listed : files_)
      if (SameFile(listed, name)) {
        ShowMessage(QStringLiteral("%1 is already in the list.").arg(name));
        return;
      }
  if (!add)
    StartList(name);
  morvane::DetailFileContent content = [&name] {
    WaitCursor wait;
    return morvane::ReadDetailFile(FilePath(name));
  }();
  std::vector<Entry> read;
  int number = 0;
  for (morvane::DetailSeries &s : content.Series) {
    ++number;
    const morvane::SeriesParameters &p = s.Parameters;
    const QString model = ModelName(p.Ploidy, p.Reproduction);
    const QString cut = s.CutShort ? QStringLiteral(" (cut short by a damaged line)") : QString();
    Entry e;
    e.file = name;
    e.clonal = s.Clonal;
    e.text = QStringLiteral("Series %1 (line %2): %3, %4%5.\n      %6")
                 .arg(number)
                 .arg(s.HeaderLine)
                 .arg(model, Generations(s.Table.Rows()), cut, ParameterSummary(p));
    e.series.Origin = QStringLiteral("Series %1 of %2 (line %3): %4, %5%6.")
                          .arg(number)
                          .arg(QFileInfo(name).fileName())
                          .arg(s.HeaderLine)
                          .arg(model, Generations(s.Table.Rows()), cut);
    e.series.Name = QStringLiteral("%1, series %2").arg(QFileInfo(name).fileName()).arg(number);
    e.series.Parameters = std::move(s.Parameters);
    e.series.Table = std::make_shared<const morvane::PlotTable>(std::move(s.Table));
    read.push_back(std::move(e));
  }
  FinishList(name, std::move(read), content.Problem,
             QStringLiteral("%1 holds no series.").arg(name), add);
}

void TFrmPlotMenu::BtnOpenPlotClick() {
  const QString name =
      AskFile({QStringLiteral("Plot files (*.plo)"), QStringLiteral("All files (*)")});
  if (name.isEmpty())
    return;
  StartList(name);
  std::vector<Entry> read;
  morvane::PlotFileContent content = [&name] {
    WaitCursor wait;
    return morvane::ReadPlotFile(FilePath(name));
  }();
  if (content.Table.Rows() > 0) {
    // A plot file does not say which model wrote it: both readings are
    // offered, the one its fixed name tells first.
    morvane::SeriesParameters p;
    p.PlotFileName = FilePath(name);
    const auto table = std::make_shared<const morvane::PlotTable>(std::move(content.Table));
    const QString generations = Generations(table->Rows());
    const QString file = QFileInfo(name).fileName();
    const auto readAs = [&](bool clonal) {
      const QString kind = clonal ? QStringLiteral("clonal") : QStringLiteral("sexual");
      const QString columns = clonal ? QStringLiteral("f(AB), f(Ab), f(aB) and f(ab)")
                                     : QStringLiteral("p, q, DG and Fit");
      return Entry{name,
                   QStringLiteral("%1 series: %2, %3.")
                       .arg(kind.left(1).toUpper() + kind.mid(1), columns, generations),
                   clonal,
                   {p, table,
                    QStringLiteral("%1, read as a %2 series: %3; a plot file holds "
                                   "no parameters.")
                        .arg(file, kind, generations),
                    file}};
    };
    const bool clonalFirst = file == QLatin1String(morvane::kClonePlotFileName);
    read.push_back(readAs(clonalFirst));
    read.push_back(readAs(!clonalFirst));
  }
  FinishList(name, std::move(read), content.Problem,
             QStringLiteral("%1 holds no generation.").arg(name), false);
}

std::vector<const TFrmPlotMenu::Entry *> TFrmPlotMenu::Chosen() {
  std::vector<const Entry *> chosen;
  for (const QModelIndex &index : ui->LstSeries->selectionModel()->selectedRows())
    if (index.row() < static_cast<int>(entries_.size()))
      chosen.push_back(&entries_[static_cast<std::size_t>(index.row())]);
  std::sort(chosen.begin(), chosen.end());
  if (chosen.empty()) {
    ShowMessage(QStringLiteral("Please choose a series in the list first."));
    return {};
  }
  for (const Entry *e : chosen)
    if (e->clonal != chosen.front()->clonal) {
      ShowMessage(QStringLiteral("Clonal and sexual series cannot be drawn together."));
      return {};
    }
  return chosen;
}

void TFrmPlotMenu::BtnPlotClick() {
  const std::vector<const Entry *> chosen = Chosen();
  if (chosen.empty())
    return;
  auto *chart = qobject_cast<PlotForm *>(chosen.front()->clonal ? Windows().FrmPlotVeg
                                                                : Windows().FrmPlotSex);
  if (chart == nullptr)
    throw std::runtime_error("The chart window is missing");
  std::vector<StoredSeries> series;
  for (const Entry *e : chosen)
    series.push_back(e->series);
  CloseForm();
  chart->ShowStoredSeries(std::move(series));
}

void TFrmPlotMenu::BtnSaveTogetherClick() {
  const std::vector<const Entry *> chosen = Chosen();
  if (chosen.empty())
    return;
  SeriesFigure figure;
  figure.clonal = chosen.front()->clonal;
  for (const Entry *e : chosen)
    figure.series.push_back({e->series.Parameters, e->series.Table, e->series.Name});
  SaveFigureAs(this, figure,
               figure.clonal ? morvane::figure::FigureCharts::Frequencies
                             : morvane::figure::FigureCharts::Both,
               QStringLiteral("series-together"), figureFolder_);
}

void TFrmPlotMenu::BtnBackPClick() {
  CloseForm();
  ShowWindow(Windows().frmMorvane);
}

void TFrmPlotMenu::Help1Click() { HelpMenuRequested(); }
