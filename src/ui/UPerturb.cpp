#include "UPerturb.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include "FieldExit.h"
#include "engine/InitialState.h"
#include "engine/Series.h"
#include "framework/Locale.h"
#include "framework/Windows.h"
#include "ui_UPerturb.h"

using morvane::ui::Sim;
namespace mui = morvane::ui;

TFrmPerturb1N::TFrmPerturb1N(QWidget *parent)
    : DisturbanceForm(parent), ui(std::make_unique<Ui::TFrmPerturb1N>()) {
  ui->setupUi(this);
  SetBackground(mui::kAqua);
  mui::MakeDisplayFieldsReadable(this);
  OnClick(ui->BtnPerturb, [this] { BtnPerturbClick(); });
  OnClick(ui->BtnExit, [this] { BtnExitClick(); });
  OnFieldExit(ui->TxtNewp, [this] { TxtNewpExit(); });
  OnFieldExit(ui->TxtNewq, [this] { TxtNewqExit(); });
  OnFieldExit(ui->TxtNewDG, [this] { TxtNewDGExit(); });
  OnClick(ui->BtnGoPert1N, [this] { BtnGoPert1NClick(); });
  OnTrigger(ui->Help1, [this] { Help1Click(); });
}

TFrmPerturb1N::~TFrmPerturb1N() = default;

void TFrmPerturb1N::FormShow() {
  Sim().StopRequested = false;
  ui->BtnPerturb->setFocus(Qt::OtherFocusReason);
  Enable({ui->TxtNewp, ui->TxtNewq, ui->TxtNewDG, ui->BtnGoPert1N}, false);
  ui->TxtNewp->setText(mui::RealText(Sim().FreqA));
  ui->TxtNewq->setText(mui::RealText(Sim().FreqB));
  ShowDGRange();
  ui->TxtNewDG->setText(mui::RealText(Sim().DG));
  AnnounceResult();
}

void TFrmPerturb1N::BtnPerturbClick() {
  Sim().StopRequested = false;
  Enable({ui->TxtNewp, ui->TxtNewq, ui->TxtNewDG, ui->BtnGoPert1N}, true);
}

void TFrmPerturb1N::ShowDGRange() {
  morvane::StoreDGRange(Sim());
  ui->TxtRangeDG->setText(mui::DGRangeDisplay(Sim()));
}

void TFrmPerturb1N::FrequencyExit(QLineEdit *field, const morvane::FieldRule &rule) {
  CheckEntry(field, rule);
  // The DG held is not checked against the new range here; Go checks it.
  ShowDGRange();
  ui->TxtNewDG->setFocus(Qt::OtherFocusReason);
}

void TFrmPerturb1N::TxtNewpExit() { FrequencyExit(ui->TxtNewp, mui::NewFreqARule()); }
void TFrmPerturb1N::TxtNewqExit() { FrequencyExit(ui->TxtNewq, mui::NewFreqBRule()); }
void TFrmPerturb1N::TxtNewDGExit() { CheckEntry(ui->TxtNewDG, morvane::rules::NewDG); }

void TFrmPerturb1N::BtnGoPert1NClick() {
  // Every value is stored as soon as it is read; a text that is no number
  // ends Go there, with what was read before it kept.
  Sim().FreqA = mui::ReadReal(ui->TxtNewp->text());
  Sim().FreqB = mui::ReadReal(ui->TxtNewq->text());
  Sim().DG = mui::ReadReal(ui->TxtNewDG->text());
  // A DG that was in range when it was typed may have left the range since p
  // or q changed; the population built from it would have negative type
  // frequencies.
  ShowDGRange();
  if (!morvane::FitDGIntoRange(Sim().FreqA, Sim().FreqB, Sim().DG)) {
    Sim().DG = 0;
    ui->TxtNewDG->setText(mui::RealText(Sim().DG));
    ShowFieldMessage(ui->TxtNewDG, morvane::rules::NewDG.message);
    return;
  }
  const std::optional<morvane::Model> model = morvane::SelectedSexualModel(Sim());
  if (!model || !morvane::IsHaploidSexual(*model))
    return;
  CloseAndRun(*model, [](morvane::RunDisplay &display) {
    morvane::RerunHaploidSeries(Sim(), display, Sim().FreqA, Sim().FreqB, Sim().DG);
  });
}

void TFrmPerturb1N::BtnExitClick() {
  StopSeries(morvane::StopSexualSeries, mui::Windows().FrmPlotSex);
}
