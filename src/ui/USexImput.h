// The sexual input window: the parameters of a series of runs of one of the
// four sexual models (haploids or diploids, local or global panmixia), each
// field checked as it is left, and Go, which starts the series.
#pragma once

#include <memory>

#include "FieldRules.h"
#include "FitnessGroup.h"
#include "framework/MorvaneForm.h"

namespace Ui {
class TFrmSexImput;
}
namespace morvane {
class RunDisplay;
}

class TFrmSexImput : public morvane::ui::MorvaneForm, private FitnessGroupBox::Host {
  Q_OBJECT

public:
  explicit TFrmSexImput(QWidget *parent = nullptr);
  ~TFrmSexImput() override;

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
  void TxtFreqAExit();
  void TxtBFreqExit();
  void TxtiExit();
  void TxtjExit();
  void TxtDGExit();
  void TxtLExit();
  void BtnGoSexClick();
  void BtnBackSClick();
  void Morvanev2Help1Click();

  // The common rule on one of this window's fields, message included.
  void CheckField(QLineEdit *field, const morvane::ui::FieldRule &rule);
  // After p or q: the DG range of the p and q held in the state.
  void ShowDGRange();

  void FitnessFieldExit(QLineEdit *field, std::function<void()> handler) override;
  void FitnessGuard(const std::function<void()> &handler) override;
  void FitnessClick(const std::function<void()> &handler) override;
  void FitnessFieldMessage(QLineEdit *field, const QString &text) override;
  void FitnessMessage(const QString &text) override;

  std::unique_ptr<Ui::TFrmSexImput> ui;
  morvane::RunDisplay *runDisplay_ = nullptr;
};
