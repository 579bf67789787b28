// The clonal input window: the parameters of a series of runs of the four
// haploid clones AB, Ab, aB, ab, each field checked as it is left, the four
// initial frequencies kept summing to 1, and Go, which starts the series.
#pragma once

#include <memory>

#include "InputForm.h"

namespace Ui {
class TFrmClonImput;
}

class TFrmClonImput : public morvane::ui::InputForm {
  Q_OBJECT

public:
  explicit TFrmClonImput(QWidget *parent = nullptr);
  ~TFrmClonImput() override;

protected:
  void FormShow() override;
  void FormActivate() override;

private:
  void TxtSoftPropExit();
  void TxtMigSurvExit();
  void TxtHabFreqExit();
  void TxtiExit();
  void TxtjExit();
  void TxtLExit();
  void TxtABExit();
  void TxtAsbExit();
  void TxtsaBExit();
  void TxtsasbExit();
  void BtnGoClonClick();
  void BtnBackCClick();
  void Help1Click();

  // A frequency field's exit: its own rule, then the four brought back to a
  // sum of 1.
  void FrequencyExit(QLineEdit *field, const morvane::FieldRule &rule);
  void ShowFrequencies();

  std::unique_ptr<Ui::TFrmClonImput> ui;
};
