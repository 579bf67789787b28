// The sexual plot window: p and q in one chart, DG and Fit in another,
// against the generation number, beside the parameters of the series.
#pragma once

#include <memory>

#include "ui/charts/PlotForm.h"

namespace Ui {
class TFrmPlotSex;
}

class TFrmPlotSex : public morvane::ui::PlotForm {
  Q_OBJECT

public:
  explicit TFrmPlotSex(QWidget *parent = nullptr);
  ~TFrmPlotSex() override;

private:
  std::unique_ptr<Ui::TFrmPlotSex> ui;
};
