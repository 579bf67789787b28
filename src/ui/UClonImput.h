// The clonal input window: the parameters of a series of runs of the four
// haploid clones AB, Ab, aB, ab, each field checked as it is left, the four
// initial frequencies kept summing to 1, and Go, which starts the series.
#pragma once

#include <memory>

#include "FieldRules.h"
#include "FitnessGroup.h"
#include "framework/MorvaneForm.h"

namespace Ui {
class TFrmClonImput;
}
namespace morvane {
class RunDisplay;
}

class TFrmClonImput : public morvane::ui::MorvaneForm, private FitnessGroupBox::Host {
  Q_OBJECT

public:
  explicit TFrmClonImput(QWidget *parent = nullptr);
  ~TFrmClonImput() override;

  // The display of the runs that Go starts; nullptr (the default) means the
  // program's progress window.
  void SetRunDisplay(morvane::RunDisplay *display) { runDisplay_ = display; }

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

  // The common rule on one of this window's fields, message included.
  void CheckField(QLineEdit *field, const morvane::ui::FieldRule &rule);
  // A frequency field's exit: its own rule, then the four brought back to a
  // sum of 1.
  void FrequencyExit(QLineEdit *field, const morvane::ui::FieldRule &rule);
  void ShowFrequencies();

  void FitnessFieldExit(QLineEdit *field, std::function<void()> handler) override;
  void FitnessGuard(const std::function<void()> &handler) override;
  void FitnessClick(const std::function<void()> &handler) override;
  void FitnessFieldMessage(QLineEdit *field, const QString &text) override;
  void FitnessMessage(const QString &text) override;

  std::unique_ptr<Ui::TFrmClonImput> ui;
  morvane::RunDisplay *runDisplay_ = nullptr;
};
