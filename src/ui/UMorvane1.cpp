#include "ui/UMorvane1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>

#include "engine/Series.h"
#include "files/FinalFile.h"
#include "files/PlotFile.h"
#include "files/SeriesReader.h"
#include "files/TextFile.h"
#include "state/SimState.h"
#include "ui/framework/Help.h"
#include "ui/framework/Pictures.h"
#include "ui/framework/Seams.h"
#include "ui/framework/Windows.h"
#include "ui/series/DisturbanceForm.h"
#include "ui/sweep/USweep.h"
#include "ui_UMorvane1.h"

using morvane::ui::Sim;
using namespace morvane::ui;

namespace {

std::function<void()> quitProgram;

// The three pictures share the width left beside the menu on a small screen.
const QSize kPictureSize(168, 140);

// A sweep running in the sweep window goes only if the user agrees, as
// closing that window asks.
bool SweepLetsGo() {
  auto *sweep = qobject_cast<TFrmSweep *>(Windows().FrmSweep);
  return sweep == nullptr || sweep->AskToStopSweep();
}

void QuitProgram() {
  if (quitProgram)
    quitProgram();
  else
    QCoreApplication::quit();
}

// File names go to the core in the file system's own encoding.
std::string FilePath(const QString &name) { return QFile::encodeName(name).toStdString(); }

// What an existing file holds, for the questions asked before it is emptied
// or appended to: "a Final file with N records", "a Detail file with N
// series", or its size; empty for a missing or empty file. `final` tells
// whether it begins with the Final header.
QString WhatTheFileHolds(const QString &name, bool &final) {
  final = false;
  QFile file(name);
  if (!file.exists() || file.size() == 0)
    return {};
  const QString size = QStringLiteral("a file of %1 bytes").arg(file.size());
  // A file that cannot be read is described by its size: the choice itself
  // then reports the error.
  if (!file.open(QIODevice::ReadOnly))
    return size;
  if (file.readLine() == QByteArray::fromStdString(morvane::FinalHeaderLine())) {
    final = true;
    int records = 0;
    while (!file.atEnd())
      records += file.readLine().trimmed().isEmpty() ? 0 : 1;
    return QStringLiteral("a Final file with %1 records").arg(records);
  }
  try {
    const std::size_t series = morvane::CountDetailSeries(FilePath(name));
    if (series > 0)
      return QStringLiteral("a Detail file with %1 series").arg(series);
  } catch (const morvane::SeriesFileError &) {
    // Unreadable as a Detail file: described by its size.
  }
  return size;
}

// The input windows empty their Plot file, in the current folder, each time
// they open: a result file of that name would lose its content.
bool IsPlotFile(const std::string &path) {
  using morvane::SameFile;
  return SameFile(path, morvane::kSexPlotFileName) || SameFile(path, morvane::kClonePlotFileName);
}

} // namespace

namespace morvane::ui {

QString FarewellText() {
  return QStringLiteral("You are about to leave the program Morvane\n\n"
                        "               Merci de votre visite");
}

QString AboutText() {
  return QStringLiteral("                               Morvane Version 2\n"
                        "        A program to simulate the evolution of adaptation\n"
                        "                          and habitat preference\n"
                        "\n"
                        "                      Written by the Morvane developers\n"
                        "                              Version 2.0, 2026\n"
                        "                  Population genetics of habitat choice\n"
                        "          Contact: the Morvane developers, through the project");
}

} // namespace morvane::ui

namespace {

QString PlotFileRefusal(const QString &which) {
  return QStringLiteral("The %1 file cannot be a plot file (%2 or %3).\n"
                        "Please choose another name for the %1 file.")
      .arg(which, QString::fromLatin1(morvane::kSexPlotFileName),
           QString::fromLatin1(morvane::kClonePlotFileName));
}

} // namespace

void TfrmMorvane::SetQuitProgram(std::function<void()> quit) { quitProgram = std::move(quit); }

TfrmMorvane::TfrmMorvane(QWidget *parent)
    : MorvaneForm(parent), ui_(std::make_unique<Ui::TfrmMorvane>()) {
  ui_->setupUi(this);
  SetBackground(kAqua);
  ui_->RGrpMenu->setPalette(palette());
  ShowPicture(ui_->ImgNaupliusI, QStringLiteral(":/pictures/NaupliusI.jpg"), kPictureSize);
  ShowPicture(ui_->ImgNaupliusII, QStringLiteral(":/pictures/NaupliusII.jpg"), kPictureSize);
  ShowPicture(ui_->ImgCopepodite, QStringLiteral(":/pictures/Copepodite.jpg"), kPictureSize);

  OnClick(ui_->BtnChooseFin, [this] { BtnChooseFinClick(); });
  OnClick(ui_->BtnDetail, [this] { BtnDetailClick(); });
  OnSelect(ui_->RBtnDiploGlob, [this] { RBtnDiploGlobClick(); });
  OnSelect(ui_->RBtnDiploLocal, [this] { RBtnDiploLocalClick(); });
  OnSelect(ui_->RdBtnHaploGlo, [this] { RdBtnHaploGloClick(); });
  OnSelect(ui_->RdBtnHaploLoc, [this] { RdBtnHaploLocClick(); });
  OnSelect(ui_->RdBtnClonal, [this] { RdBtnClonalClick(); });
  OnSelect(ui_->RdBtnPlot, [this] { RdBtnPlotClick(); });
  OnSelect(ui_->RdBtnQuit, [this] { RdBtnQuitClick(); });
  OnClick(ui_->BtnLaunch, [this] { BtnLaunchClick(); });
  OnClick(ui_->BtnQuit, [this] { BtnQuitClick(); });
  // The sweep window needs no result files: it names its own.
  OnClick(ui_->BtnSweep, [] { morvane::ui::ShowWindow(morvane::ui::Windows().FrmSweep); });
  OnTrigger(ui_->Usersguide1, [this] { Usersguide1Click(); });
  OnTrigger(ui_->AboutMorvane1, [this] { AboutMorvane1Click(); });
}

TfrmMorvane::~TfrmMorvane() = default;

void TfrmMorvane::ResetControls() {
  ui_->BtnDetail->setEnabled(false);
  EnableOptionsAndGo(false);
  openDialogName_.clear();
  saveDialogName_.clear();
  ui_->TxtFinal->setText(QString());
  ui_->TxtDetail->setText(QString());
}

std::array<QRadioButton *, 7> TfrmMorvane::Options() const {
  return {ui_->RBtnDiploGlob, ui_->RBtnDiploLocal, ui_->RdBtnHaploGlo, ui_->RdBtnHaploLoc,
          ui_->RdBtnClonal,   ui_->RdBtnPlot,      ui_->RdBtnQuit};
}

void TfrmMorvane::SelectQuitOption() {
  for (QRadioButton *option : Options())
    if (option != ui_->RdBtnQuit)
      DeselectOption(option);
  // Runs RdBtnQuitClick when the quit option was not selected yet.
  ui_->RdBtnQuit->setChecked(true);
}

void TfrmMorvane::FormShow() {
  ResetControls();
  SelectQuitOption();
}

// Every return to the main window starts again from the choice of the files.
void TfrmMorvane::FormActivate() {
  ResetControls();
  // Every series starts again from the choice of the Final file.
  ui_->BtnChooseFin->setFocus(Qt::OtherFocusReason);
}

void TfrmMorvane::closeEvent(QCloseEvent *e) {
  // Closing the main window ends the program, whatever other window is open;
  // a series waiting for Stop is stopped or discarded first, as the user says.
  if (DisturbanceForm *waiting = DisturbanceForm::Waiting();
      waiting && !waiting->AskBeforeClosing()) {
    e->ignore();
    return;
  }
  if (!SweepLetsGo()) {
    e->ignore();
    return;
  }
  e->accept();
  QuitProgram();
}

void TfrmMorvane::BtnChooseFinClick() {
  const QString inForce = openDialogName_;
  openDialogName_ = FileDialogs().OpenFileName(this, inForce, QStringLiteral("mrv"),
                                               QStringLiteral("mrv"), QStringLiteral("*.mrv"));
  const QString name = openDialogName_;
  if (name.isEmpty()) {
    ui_->TxtFinal->setText(QStringLiteral("None"));
    return;
  }
  if (IsPlotFile(FilePath(name))) {
    // Refused: the Final file chosen before (if any) stays in force.
    openDialogName_ = inForce;
    ShowFileName(ui_->TxtFinal, inForce);
    ShowMessage(PlotFileRefusal(QStringLiteral("Final")));
    return;
  }
  // Records appended to a file that is not a Final file would mix with what
  // it holds: the user says so first.
  bool final = false;
  if (const QString holds = WhatTheFileHolds(name, final);
      !holds.isEmpty() && !final &&
      Messages().Ask(this,
                     QStringLiteral("%1 is not a Final file: it holds %2.\n"
                                    "The records of the series will be appended to it.")
                         .arg(name, holds),
                     {QStringLiteral("Append the records"), QStringLiteral("Cancel")}) != 0) {
    openDialogName_ = inForce;
    ShowFileName(ui_->TxtFinal, inForce);
    return;
  }
  ui_->TxtFinal->setText(name);
  try {
    morvane::ChooseFinalFile(Sim(), FilePath(name));
  } catch (...) {
    // The Final file in force cannot be used: nothing that needs it may be.
    ui_->BtnDetail->setEnabled(false);
    EnableOptionsAndGo(false);
    throw;
  }
  ui_->BtnDetail->setEnabled(true);
}

void TfrmMorvane::BtnDetailClick() {
  const QString inForce = saveDialogName_;
  saveDialogName_ = FileDialogs().SaveFileName(this, inForce, QStringLiteral("gnr"),
                                               QStringLiteral("gnr"), QStringLiteral("*.gnr"));
  const QString name = saveDialogName_;
  if (name.isEmpty()) {
    ui_->TxtDetail->setText(QStringLiteral("None"));
    return;
  }
  // Creating the Detail file empties it: naming the Final file here would
  // lose every record of the Final file; the plot files are emptied by the
  // input windows. Refused, the Detail file chosen before (if any) stays in
  // force.
  QString refusal;
  if (morvane::SameFile(FilePath(name), Sim().FinalFileName))
    refusal = QStringLiteral("The Detail file cannot be the Final file.\n"
                             "Please choose another name for the Detail file.");
  else if (IsPlotFile(FilePath(name)))
    refusal = PlotFileRefusal(QStringLiteral("Detail"));
  if (!refusal.isEmpty()) {
    saveDialogName_ = inForce;
    ShowFileName(ui_->TxtDetail, inForce);
    ShowMessage(refusal);
    return;
  }
  // Choosing the Detail file empties it: a file that holds anything is
  // emptied only once the user agreed.
  bool final = false;
  if (const QString holds = WhatTheFileHolds(name, final);
      !holds.isEmpty() &&
      Messages().Ask(this,
                     QStringLiteral("%1 holds %2.\nChoosing it as the Detail file empties it.")
                         .arg(name, holds),
                     {QStringLiteral("Empty it"), QStringLiteral("Cancel")}) != 0) {
    saveDialogName_ = inForce;
    ShowFileName(ui_->TxtDetail, inForce);
    return;
  }
  ui_->TxtDetail->setText(name);
  try {
    morvane::ChooseDetailFile(Sim(), FilePath(name));
  } catch (...) {
    EnableOptionsAndGo(false);
    throw;
  }
  EnableOptionsAndGo(true);
  SelectQuitOption();
}

void TfrmMorvane::ShowFileName(QLineEdit *field, const QString &name) {
  field->setText(name.isEmpty() ? QStringLiteral("None") : name);
}

void TfrmMorvane::EnableOptionsAndGo(bool on) {
  // Looking at earlier results writes nothing: the plot menu needs no result
  // files, and choosing them would empty a Detail file.
  for (QRadioButton *option : Options())
    option->setEnabled(on || option == ui_->RdBtnPlot);
  ui_->BtnLaunch->setEnabled(on || ui_->RdBtnPlot->isChecked());
}

// A model option: its flag set, the six other option flags cleared, Ploidy
// and Reproduction set; Go is then usable.
void TfrmMorvane::ChooseModelOption(morvane::Model model) {
  morvane::ChooseModel(Sim(), model);
  ui_->BtnLaunch->setEnabled(true);
}

void TfrmMorvane::RBtnDiploGlobClick() { ChooseModelOption(morvane::Model::DiploidGlobal); }
void TfrmMorvane::RBtnDiploLocalClick() { ChooseModelOption(morvane::Model::DiploidLocal); }
void TfrmMorvane::RdBtnHaploGloClick() { ChooseModelOption(morvane::Model::HaploidGlobal); }
void TfrmMorvane::RdBtnHaploLocClick() { ChooseModelOption(morvane::Model::HaploidLocal); }
void TfrmMorvane::RdBtnClonalClick() { ChooseModelOption(morvane::Model::Clonal); }

// Plotting clears the model flags but keeps Ploidy and Reproduction.
void TfrmMorvane::RdBtnPlotClick() {
  Sim().ModeDiploGlobal = Sim().ModeDiploLocal = Sim().ModeHaploGlobal = Sim().ModeHaploLocal =
      false;
  Sim().ModeClonal = Sim().ModeQuit = false;
  Sim().ModePlot = true;
  ui_->BtnLaunch->setEnabled(true);
}

// Quitting only adds its flag: Go tests it first.
void TfrmMorvane::RdBtnQuitClick() { Sim().ModeQuit = true; }

void TfrmMorvane::ShowFarewell() { ShowMessage(FarewellText()); }

void TfrmMorvane::BtnLaunchClick() {
  if (Sim().ModeQuit) {
    if (!SweepLetsGo())
      return;
    ShowFarewell();
    Help().CloseViewer();
    QuitProgram();
  } else if (Sim().ModeDiploGlobal || Sim().ModeDiploLocal || Sim().ModeHaploGlobal ||
             Sim().ModeHaploLocal) {
    ShowWindow(Windows().FrmSexImput);
  } else if (Sim().ModeClonal) {
    ShowWindow(Windows().FrmClonImput);
  } else if (Sim().ModePlot) {
    ShowWindow(Windows().FrmPlotMenu);
  }
}

void TfrmMorvane::BtnQuitClick() {
  if (!SweepLetsGo())
    return;
  ShowFarewell();
  QuitProgram();
  Help().CloseViewer();
}

void TfrmMorvane::Usersguide1Click() { HelpMenuRequested(); }

void TfrmMorvane::AboutMorvane1Click() { ShowMessage(AboutText()); }
