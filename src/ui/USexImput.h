// The sexual input window: the parameters of a series of runs of one of the
// four sexual models (haploids or diploids, local or global panmixia), each
// field checked as it is left, and Go, which starts the series.
#pragma once

#include <memory>

#include "InputForm.h"

namespace Ui {
class TFrmSexImput;
}

class TFrmSexImput : public morvane::ui::InputForm {
  Q_OBJECT

public:
  explicit TFrmSexImput(QWidget *parent = nullptr);
  ~TFrmSexImput() override;

protected:
  void FormShow() override;
  void FormActivate() override;

private:
  void TxtSoftPropExit();
  void TxtMigSurvExit();
  void TxtHabFreqExit();
  void TxtFreqAExit();
  void TxtBFreqExit();
  void TxtiExit();
  void TxtjExit();
  void TxtDGExit();
  void TxtLExit();
  void BtnGoSexClick();
  void BtnBackSClick();
  void Morvanev2Help1Click();

  // After p or q: the DG range of the p and q held in the state.
  void ShowDGRange();

  std::unique_ptr<Ui::TFrmSexImput> ui;
};
