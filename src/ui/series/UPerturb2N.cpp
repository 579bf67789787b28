#include "ui/series/UPerturb2N.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include "engine/InitialState.h"
#include "engine/Series.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Windows.h"
#include "ui_UPerturb2N.h"

using morvane::ui::Sim;
namespace mui = morvane::ui;
namespace rules = morvane::rules;

TFrmPerturb2N::TFrmPerturb2N(QWidget *parent)
    : DisturbanceForm(parent), ui(std::make_unique<Ui::TFrmPerturb2N>()) {
  ui->setupUi(this);
  // Neither p nor q moves the focus: the user chooses the form of the
  // disturbance next.
  const auto afterP = [this] {
    ShowDGRange(ui->TxtRangeDG);
    ShowFitRange();
    ShowFitZero();
  };
  const auto afterQ = [this] {
    ShowDGRange(ui->TxtRangeDG);
    // Fit's range depends on p only: the FitMin held is shown again.
    ShowFitRangeText();
    ShowFitZero();
  };
  const auto fitRangeOfP = [] { Sim().FitMin = morvane::ComputeFitMin(Sim().FreqA); };
  SetUpDisturbanceWindow({ui->BtnPerturb2N,
                          ui->BtnGoPert2N,
                          ui->BtnExit,
                          ui->Help1,
                          ui->BtnAnalyse,
                          ui->LblReached,
                          {ui->TxtNewp, ui->TxtNewq, ui->TxtNewDG, ui->TxtNewFit, ui->BtnChangeDG,
                           ui->BtnChangeFit, ui->BtnGoPert2N},
                          morvane::StopSexualSeries,
                          &mui::AppWindows::FrmPlotSex},
                         {{ui->TxtNewp, &mui::NewFreqARule(), afterP},
                          {ui->TxtNewq, &mui::NewFreqBRule(), afterQ},
                          {ui->TxtNewDG, &rules::NewDG, [this] { ShowFitZero(); }},
                          {ui->TxtNewFit, &rules::NewFit, [this] { ShowDGZero(); }, fitRangeOfP}},
                         [this] { BtnGoPert2NClick(); });
  OnClick(ui->BtnChangeDG, [this] { ChooseNewDG(true); });
  OnClick(ui->BtnChangeFit, [this] { ChooseNewDG(false); });
}

TFrmPerturb2N::~TFrmPerturb2N() = default;

void TFrmPerturb2N::FormShow() {
  ChangeDGMode = true;
  BeginShow();
  ui->TxtNewp->setText(mui::RealText(Sim().FreqA));
  ui->TxtNewq->setText(mui::RealText(Sim().FreqB));
  ShowDGRange(ui->TxtRangeDG);
  ui->TxtNewDG->setText(mui::RealText(Sim().DG));
  ShowFitRange();
  ui->TxtNewFit->setText(mui::RealText(Sim().Fit));
  ui->LblOldFit->setText("Old Fit was =" + mui::RealText(Sim().Fit));
  AnnounceResult();
}

void TFrmPerturb2N::OpenForDisturbance() {
  Enable({ui->TxtNewp, ui->TxtNewq}, true);
  Enable({ui->TxtNewDG, ui->TxtNewFit}, false);
  Enable({ui->BtnChangeDG, ui->BtnChangeFit, ui->BtnGoPert2N}, true);
}

void TFrmPerturb2N::ChooseNewDG(bool newDG) {
  ui->TxtNewDG->setEnabled(newDG);
  ui->TxtNewFit->setEnabled(!newDG);
  ChangeDGMode = newDG;
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

void TFrmPerturb2N::BtnGoPert2NClick() {
  ReadFields();
  // A DG or Fit that was in range when it was typed may have left the range
  // since p or q changed.
  const bool newDG = ChangeDGMode;
  if (newDG) {
    if (!KeepDGInRange(ui->TxtRangeDG, ui->TxtNewDG, rules::NewDG))
      return;
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
  CloseAndRerun(*model, [newDG](morvane::RunDisplay &display) {
    if (newDG)
      morvane::RerunDiploidSeriesWithDG(Sim(), display, Sim().FreqA, Sim().FreqB, Sim().DG);
    else
      morvane::RerunDiploidSeriesWithFit(Sim(), display, Sim().FreqA, Sim().FreqB, Sim().Fit);
  });
}
