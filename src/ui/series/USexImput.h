// The sexual input window: the parameters of a series of runs of one of the
// four sexual models (haploids or diploids, local or global panmixia), each
// field checked as it is left, and Go, which starts the series.
#pragma once

#include <memory>

#include "ui/series/InputForm.h"

namespace Ui {
class TFrmSexImput;
}

class TFrmSexImput : public morvane::ui::InputForm {
  Q_OBJECT

public:
  explicit TFrmSexImput(QWidget *parent = nullptr);
  ~TFrmSexImput() override;

protected:
  void FormActivate() override;

private:
  void BtnGoSexClick();

  std::unique_ptr<Ui::TFrmSexImput> ui;
};
