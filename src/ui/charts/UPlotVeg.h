// The clonal plot window: the frequencies of the four clones against the
// generation number, beside the parameters of the series.
#pragma once

#include <memory>

#include "ui/charts/PlotForm.h"

namespace Ui {
class TFrmPlotVeg;
}

class TFrmPlotVeg : public morvane::ui::PlotForm {
  Q_OBJECT

public:
  explicit TFrmPlotVeg(QWidget *parent = nullptr);
  ~TFrmPlotVeg() override;

private:
  std::unique_ptr<Ui::TFrmPlotVeg> ui;
};
