// The diploid disturbance window: at the end of every run of a diploid
// series, new p and q with either a new DG or a new Fit and another run, or
// Stop.
#pragma once

#include <memory>

#include "ui/series/DisturbanceForm.h"

namespace Ui {
class TFrmPerturb2N;
}

class TFrmPerturb2N : public morvane::ui::DisturbanceForm {
  Q_OBJECT

public:
  explicit TFrmPerturb2N(QWidget *parent = nullptr);
  ~TFrmPerturb2N() override;

protected:
  void FormShow() override;
  // p, q and the two form buttons open; DG and Fit wait for the form.
  void OpenForDisturbance() override;

private:
  // The form of the disturbance: a new DG (Fit follows) or a new Fit (DG is
  // 0). Every show goes back to the new DG.
  void ChooseNewDG(bool newDG);
  void BtnGoPert2NClick();

  // FitMin of the p held in the state, and its text.
  void ShowFitRange();
  void ShowFitRangeText();
  // Fit := 0 after any other entry; DG := 0 after a Fit entry.
  void ShowFitZero();
  void ShowDGZero();

  std::unique_ptr<Ui::TFrmPerturb2N> ui;
  bool ChangeDGMode = true; // else a new Fit
};
