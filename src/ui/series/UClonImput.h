// The clonal input window: the parameters of a series of runs of the four
// haploid clones AB, Ab, aB, ab, each field checked as it is left, the four
// initial frequencies kept summing to 1, and Go, which starts the series.
#pragma once

#include <memory>

#include "ui/series/InputForm.h"

namespace Ui {
class TFrmClonImput;
}

class TFrmClonImput : public morvane::ui::InputForm {
  Q_OBJECT

public:
  explicit TFrmClonImput(QWidget *parent = nullptr);
  ~TFrmClonImput() override;

protected:
  void FormActivate() override;

private:
  void BtnGoClonClick();

  // The sum rule on the four frequencies in the state: a sum of 1 is kept,
  // any other sum but 0 divides them, and a sum of 0 is announced ("Sum = 0,
  // very funny!") and brings back 0, 0.5, 0, 0.5. The fields then show the
  // four; false after a sum of 0.
  bool KeepFrequenciesSummingToOne(bool asShown);

  std::unique_ptr<Ui::TFrmClonImput> ui;
};
