#include "UPerturbClone.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <iterator>

#include "FieldExit.h"
#include "engine/CloneFrequencies.h"
#include "engine/Series.h"
#include "framework/Locale.h"
#include "framework/Windows.h"
#include "ui_UPerturbClone.h"

using morvane::ui::Sim;
namespace mui = morvane::ui;

TFrmPerturbClone::TFrmPerturbClone(QWidget *parent)
    : DisturbanceForm(parent), ui(std::make_unique<Ui::TFrmPerturbClone>()) {
  ui->setupUi(this);
  SetBackground(mui::kAqua);
  mui::MakeDisplayFieldsReadable(this);
  OnClick(ui->BtnPerturb, [this] { BtnPerturbClick(); });
  OnFieldExit(ui->TxtNewX1, [this] { TxtNewX1Exit(); });
  OnFieldExit(ui->TxtNewX2, [this] { TxtNewX2Exit(); });
  OnFieldExit(ui->TxtNewX3, [this] { TxtNewX3Exit(); });
  OnFieldExit(ui->TxtNewX4, [this] { TxtNewX4Exit(); });
  OnClick(ui->BtnGoPertClon, [this] { BtnGoPertClonClick(); });
  OnClick(ui->BtnExit, [this] { BtnExitClick(); });
  OnTrigger(ui->Help1, [this] { Help1Click(); });
}

TFrmPerturbClone::~TFrmPerturbClone() = default;

QLineEdit *TFrmPerturbClone::FrequencyField(int k) const {
  QLineEdit *const fields[4] = {ui->TxtNewX1, ui->TxtNewX2, ui->TxtNewX3, ui->TxtNewX4};
  return fields[k - 1];
}

void TFrmPerturbClone::ShowFrequencies() {
  for (int k = 1; k <= 4; ++k)
    FrequencyField(k)->setText(mui::RealText(Sim().X[k]));
}

void TFrmPerturbClone::FormShow() {
  for (int k = 1; k <= 4; ++k)
    saved_[k - 1] = Sim().X[k];
  Sim().StopRequested = false;
  ui->BtnPerturb->setFocus(Qt::OtherFocusReason);
  Enable({ui->TxtNewX1, ui->TxtNewX2, ui->TxtNewX3, ui->TxtNewX4, ui->BtnGoPertClon}, false);
  ShowFrequencies();
  AnnounceResult();
}

void TFrmPerturbClone::BtnPerturbClick() {
  Sim().StopRequested = false;
  Enable({ui->TxtNewX1, ui->TxtNewX2, ui->TxtNewX3, ui->TxtNewX4, ui->BtnGoPertClon}, true);
}

bool TFrmPerturbClone::KeepSumAtOne() {
  // The sum is taken from the state: the other three are the values last
  // stored, not the texts on the screen.
  const morvane::CloneSum sum = morvane::SumCloneFrequenciesToOne(&Sim().X[1]);
  if (sum == morvane::CloneSum::Zero) {
    ShowMessage("Sum = 0, very funny!");
    std::copy(std::begin(saved_), std::end(saved_), &Sim().X[1]);
  }
  if (sum != morvane::CloneSum::One)
    ShowFrequencies();
  return sum != morvane::CloneSum::Zero;
}

void TFrmPerturbClone::FrequencyExit(int k, QLineEdit *field) {
  CheckEntry(field,
             morvane::WithSubstitute(*morvane::CloneFrequencyFields()[k - 1], saved_[k - 1]));
  KeepSumAtOne();
}

void TFrmPerturbClone::TxtNewX1Exit() { FrequencyExit(1, ui->TxtNewX1); }
void TFrmPerturbClone::TxtNewX2Exit() { FrequencyExit(2, ui->TxtNewX2); }
void TFrmPerturbClone::TxtNewX3Exit() { FrequencyExit(3, ui->TxtNewX3); }
void TFrmPerturbClone::TxtNewX4Exit() { FrequencyExit(4, ui->TxtNewX4); }

void TFrmPerturbClone::BtnGoPertClonClick() {
  // Every value is stored as soon as it is read; a text that is no number
  // ends Go there, with what was read before it kept.
  for (int k = 1; k <= 4; ++k)
    Sim().X[k] = mui::ReadReal(FrequencyField(k)->text());
  // A run needs frequencies summing to 1: the four read go through the sum
  // rule as an exit would put them, and the fields show the values used.
  if (!KeepSumAtOne())
    return;
  CloseAndRun(morvane::Model::Clonal, [](morvane::RunDisplay &display) {
    morvane::RerunClonalSeries(Sim(), display, {Sim().X[1], Sim().X[2], Sim().X[3], Sim().X[4]});
  });
}

void TFrmPerturbClone::BtnExitClick() {
  StopSeries(morvane::StopClonalSeries, mui::Windows().FrmPlotVeg);
}
