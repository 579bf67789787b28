#include "ui/charts/UPlotSex.h"

#include "ui_UPlotSex.h"

TFrmPlotSex::TFrmPlotSex(QWidget *parent)
    : PlotForm(parent), ui(std::make_unique<Ui::TFrmPlotSex>()) {
  ui->setupUi(this);
  const QColor white(Qt::white);
  SetUpChart(ui->Chart1, morvane::ui::SeriesChartDesigns(false)[0], white);
  SetUpChart(ui->Chart2, morvane::ui::SeriesChartDesigns(false)[1], white);
  SetUpWindow(ui->BtnSaveChart, ui->BtnQuitPlot, ui->Help1,
              {ui->Txtx, ui->Txtc, ui->Txtd, ui->Txti, ui->TxtJ, ui->TxtW1A, ui->TxtW1sa,
               ui->TxtW2A, ui->TxtW2sa, ui->TxtTO, ui->TxtESS, ui->TxtPloidy, ui->TxtRepro,
               ui->TxtFinalFile, ui->TxtDetailFile, ui->TxtPlotFile});
}

TFrmPlotSex::~TFrmPlotSex() = default;
