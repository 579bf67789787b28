// The haploid disturbance window: at the end of every run of a haploid
// series, new p, q and DG and another run, or Stop.
#pragma once

#include <memory>

#include "ui/series/DisturbanceForm.h"

namespace Ui {
class TFrmPerturb1N;
}

class TFrmPerturb1N : public morvane::ui::DisturbanceForm {
  Q_OBJECT

public:
  explicit TFrmPerturb1N(QWidget *parent = nullptr);
  ~TFrmPerturb1N() override;

protected:
  void FormShow() override;

private:
  void BtnGoPert1NClick();

  std::unique_ptr<Ui::TFrmPerturb1N> ui;
};
