#include "UPerturb2N.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "FieldExit.h"
#include "engine/InitialState.h"
#include "engine/Series.h"
#include "framework/Locale.h"
#include "framework/Windows.h"
#include "ui_UPerturb2N.h"

using morvane::ui::Sim;
namespace mui = morvane::ui;
namespace rules = morvane::rules;

TFrmPerturb2N::TFrmPerturb2N(QWidget *parent)
    : DisturbanceForm(parent), ui(std::make_unique<Ui::TFrmPerturb2N>()) {
  ui->setupUi(this);
  SetBackground(mui::kAqua);
  mui::MakeDisplayFieldsReadable(this);
  OnClick(ui->BtnPerturb2N, [this] { BtnPerturb2NClick(); });
  OnClick(ui->BtnExit, [this] { BtnExitClick(); });
  OnFieldExit(ui->TxtNewp, [this] { TxtNewpExit(); });
  OnFieldExit(ui->TxtNewq, [this] { TxtNewqExit(); });
  OnClick(ui->BtnChangeDG, [this] { BtnChangeDGClick(); });
  OnFieldExit(ui->TxtNewDG, [this] { TxtNewDGExit(); });
  OnClick(ui->BtnChangeFit, [this] { BtnChangeFitClick(); });
  OnFieldExit(ui->TxtNewFit, [this] { TxtNewFitExit(); });
  OnClick(ui->BtnGoPert2N, [this] { BtnGoPert2NClick(); });
  OnTrigger(ui->Help1, [this] { Help1Click(); });
}

TFrmPerturb2N::~TFrmPerturb2N() = default;

void TFrmPerturb2N::FormShow() {
  Sim().StopRequested = false;
  ChangeDGMode = true;
  ChangeFitMode = false;
  ui->BtnPerturb2N->setFocus(Qt::OtherFocusReason);
  Enable({ui->TxtNewp, ui->TxtNewq, ui->TxtNewDG, ui->TxtNewFit, ui->BtnChangeDG, ui->BtnChangeFit,
          ui->BtnGoPert2N},
         false);
  ui->TxtNewp->setText(mui::RealText(Sim().FreqA));
  ui->TxtNewq->setText(mui::RealText(Sim().FreqB));
  ShowDGRange();
  ui->TxtNewDG->setText(mui::RealText(Sim().DG));
  ShowFitRange();
  ui->TxtNewFit->setText(mui::RealText(Sim().Fit));
  ui->LblOldFit->setText("Old Fit was =" + mui::RealText(Sim().Fit));
  AnnounceResult();
}

void TFrmPerturb2N::BtnPerturb2NClick() {
  Sim().StopRequested = false;
  Enable({ui->TxtNewp, ui->TxtNewq}, true);
  Enable({ui->TxtNewDG, ui->TxtNewFit}, false);
  Enable({ui->BtnChangeDG, ui->BtnChangeFit, ui->BtnGoPert2N}, true);
}

void TFrmPerturb2N::BtnChangeDGClick() {
  ui->TxtNewDG->setEnabled(true);
  ui->TxtNewFit->setEnabled(false);
  ChangeDGMode = true;
  ChangeFitMode = false;
}

void TFrmPerturb2N::BtnChangeFitClick() {
  ui->TxtNewDG->setEnabled(false);
  ui->TxtNewFit->setEnabled(true);
  ChangeFitMode = true;
  ChangeDGMode = false;
}

void TFrmPerturb2N::ShowDGRange() {
  morvane::StoreDGRange(Sim());
  ui->TxtRangeDG->setText(mui::DGRangeDisplay(Sim()));
}

void TFrmPerturb2N::ShowFitRange() {
  Sim().FitMin = morvane::ComputeFitMin(Sim().FreqA);
  ShowFitRangeText();
}

void TFrmPerturb2N::ShowFitRangeText() {
  ui->TxtFitRange->setText(
      QString::fromStdString(morvane::FitRangeText(Sim().FitMin, mui::DecimalSeparator())));
}

void TFrmPerturb2N::ShowFitZero() {
  Sim().Fit = 0;
  ui->TxtNewFit->setText(mui::RealText(Sim().Fit));
}

void TFrmPerturb2N::ShowDGZero() {
  Sim().DG = 0;
  ui->TxtNewDG->setText(mui::RealText(Sim().DG));
}

// Neither p nor q moves the focus: the user chooses the form of the
// disturbance next.
void TFrmPerturb2N::TxtNewpExit() {
  CheckEntry(ui->TxtNewp, mui::NewFreqARule());
  ShowDGRange();
  ShowFitRange();
  ShowFitZero();
}

void TFrmPerturb2N::TxtNewqExit() {
  CheckEntry(ui->TxtNewq, mui::NewFreqBRule());
  ShowDGRange();
  // Fit's range depends on p only: the FitMin held is shown again.
  ShowFitRangeText();
  ShowFitZero();
}

void TFrmPerturb2N::TxtNewDGExit() {
  CheckEntry(ui->TxtNewDG, rules::NewDG);
  ShowFitZero();
}

void TFrmPerturb2N::TxtNewFitExit() {
  Sim().FitMin = morvane::ComputeFitMin(Sim().FreqA);
  CheckEntry(ui->TxtNewFit, rules::NewFit);
  ShowDGZero();
}

void TFrmPerturb2N::BtnGoPert2NClick() {
  // Every value is stored as soon as it is read; a text that is no number
  // ends Go there, with what was read before it kept.
  Sim().FreqA = mui::ReadReal(ui->TxtNewp->text());
  Sim().FreqB = mui::ReadReal(ui->TxtNewq->text());
  Sim().DG = mui::ReadReal(ui->TxtNewDG->text());
  Sim().Fit = mui::ReadReal(ui->TxtNewFit->text());
  // A DG or Fit that was in range when it was typed may have left the range
  // since p or q changed; the population built from it would have negative
  // genotype frequencies.
  const bool newDG = ChangeDGMode;
  if (newDG) {
    ShowDGRange();
    if (!morvane::FitDGIntoRange(Sim().FreqA, Sim().FreqB, Sim().DG)) {
      ShowDGZero();
      // The field is open for the correction even when no form was chosen.
      ui->TxtNewDG->setEnabled(true);
      ShowFieldMessage(ui->TxtNewDG, rules::NewDG.message);
      return;
    }
  } else {
    ShowFitRange();
    if (!morvane::FitFitIntoRange(Sim().FreqA, Sim().Fit)) {
      ShowFitZero();
      ShowFieldMessage(ui->TxtNewFit, rules::NewFit.message);
      return;
    }
  }
  const std::optional<morvane::Model> model = morvane::SelectedSexualModel(Sim());
  if (!model || !morvane::IsDiploid(*model))
    return;
  CloseAndRun(*model, [newDG](morvane::RunDisplay &display) {
    if (newDG)
      morvane::RerunDiploidSeriesWithDG(Sim(), display, Sim().FreqA, Sim().FreqB, Sim().DG);
    else
      morvane::RerunDiploidSeriesWithFit(Sim(), display, Sim().FreqA, Sim().FreqB, Sim().Fit);
  });
}

void TFrmPerturb2N::BtnExitClick() {
  StopSeries(morvane::StopSexualSeries, mui::Windows().FrmPlotSex);
}
