#include "ui/series/UPerturbClone.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <iterator>

#include "engine/CloneFrequencies.h"
#include "engine/Series.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Windows.h"
#include "ui/series/FieldExit.h"
#include "ui_UPerturbClone.h"

using morvane::ui::Sim;
namespace mui = morvane::ui;

namespace {
std::array<morvane::FieldRule, 4> FrequencyRules(const double (&saved)[4]) {
  const std::vector<const morvane::FieldRule *> &rows = morvane::CloneFrequencyFields();
  return {morvane::WithSubstitute(*rows[0], saved[0]), morvane::WithSubstitute(*rows[1], saved[1]),
          morvane::WithSubstitute(*rows[2], saved[2]), morvane::WithSubstitute(*rows[3], saved[3])};
}
} // namespace

TFrmPerturbClone::TFrmPerturbClone(QWidget *parent)
    : DisturbanceForm(parent), ui(std::make_unique<Ui::TFrmPerturbClone>()),
      frequencyRules_(FrequencyRules(saved_)) {
  ui->setupUi(this);
  // Each frequency's own rule with the saved frequency as substitute, then
  // the sum rule on the four.
  const auto sumRule = [this] { KeepSumAtOne(false); };
  SetUpDisturbanceWindow(
      {ui->BtnPerturb,
       ui->BtnGoPertClon,
       ui->BtnExit,
       ui->Help1,
       ui->BtnAnalyse,
       ui->LblReached,
       {ui->TxtNewX1, ui->TxtNewX2, ui->TxtNewX3, ui->TxtNewX4, ui->BtnGoPertClon},
       morvane::StopClonalSeries,
       &mui::AppWindows::FrmPlotVeg},
      {{ui->TxtNewX1, &frequencyRules_[0], sumRule},
       {ui->TxtNewX2, &frequencyRules_[1], sumRule},
       {ui->TxtNewX3, &frequencyRules_[2], sumRule},
       {ui->TxtNewX4, &frequencyRules_[3], sumRule}},
      [this] { BtnGoPertClonClick(); });
}

TFrmPerturbClone::~TFrmPerturbClone() = default;

void TFrmPerturbClone::ShowFrequencies() {
  mui::ShowCloneFrequencies({ui->TxtNewX1, ui->TxtNewX2, ui->TxtNewX3, ui->TxtNewX4}, Sim());
}

void TFrmPerturbClone::FormShow() {
  std::copy(&Sim().X[1], &Sim().X[5], std::begin(saved_));
  frequencyRules_ = FrequencyRules(saved_);
  BeginShow();
  ShowFrequencies();
  AnnounceResult();
}

bool TFrmPerturbClone::KeepSumAtOne(bool asShown) {
  // The sum is taken from the state: the other three are the values last
  // stored, not the texts on the screen. Go runs values whose shown digits
  // sum to 1 as they are shown.
  const morvane::CloneSum sum = asShown ? morvane::SumShownCloneFrequenciesToOne(&Sim().X[1])
                                        : morvane::SumCloneFrequenciesToOne(&Sim().X[1]);
  if (sum == morvane::CloneSum::Zero) {
    ShowMessage("Sum = 0, very funny!");
    std::copy(std::begin(saved_), std::end(saved_), &Sim().X[1]);
  }
  if (sum != morvane::CloneSum::One)
    ShowFrequencies();
  return sum != morvane::CloneSum::Zero;
}

void TFrmPerturbClone::BtnGoPertClonClick() {
  ReadFields();
  // A run needs frequencies summing to 1: the four read go through the sum
  // rule as an exit would put them, and the fields show the values used.
  if (!KeepSumAtOne(true))
    return;
  CloseAndRerun(morvane::Model::Clonal, [](morvane::RunDisplay &display) {
    morvane::RerunClonalSeries(Sim(), display, {Sim().X[1], Sim().X[2], Sim().X[3], Sim().X[4]});
  });
}
