// The clonal disturbance window: at the end of every run of a clonal series,
// new frequencies of the four clones and another run, or Stop.
#pragma once

#include <array>
#include <memory>

#include "ui/series/DisturbanceForm.h"

namespace Ui {
class TFrmPerturbClone;
}

class TFrmPerturbClone : public morvane::ui::DisturbanceForm {
  Q_OBJECT

public:
  explicit TFrmPerturbClone(QWidget *parent = nullptr);
  ~TFrmPerturbClone() override;

protected:
  void FormShow() override;

private:
  void BtnGoPertClonClick();

  // The sum rule on X1..X4 of the state; false when their sum was 0 (the
  // saved frequencies are then back).
  bool KeepSumAtOne(bool asShown);
  void ShowFrequencies();

  std::unique_ptr<Ui::TFrmPerturbClone> ui;
  // f(AB), f(Ab), f(aB), f(ab) at the end of the last run: the substitutes
  // of the four fields, whose rules carry them.
  double saved_[4] = {};
  std::array<morvane::FieldRule, 4> frequencyRules_;
};
