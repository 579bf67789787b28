#include "ui/charts/UPlotVeg.h"

#include <QApplication>
#include <QPalette>

#include "ui_UPlotVeg.h"

TFrmPlotVeg::TFrmPlotVeg(QWidget *parent)
    : PlotForm(parent), ui(std::make_unique<Ui::TFrmPlotVeg>()) {
  ui->setupUi(this);
  // The panel takes the colour of the text of a highlighted caption.
  const QColor panel = QApplication::palette().color(QPalette::HighlightedText);
  SetUpChart(ui->Chart1, morvane::ui::SeriesChartDesigns(true)[0], panel);
  SetUpWindow(ui->BtnSaveChart, ui->BtnQuit, ui->Help1,
              {ui->Txtx, ui->Txtc, ui->Txtd, ui->Txti, ui->Txtj, ui->TxtW1A, ui->TxtW1sa,
               ui->TxtW2A, ui->TxtW2sa, ui->TxtTO, ui->TxtESS, ui->TxtFinalFile, ui->TxtDetailFile,
               ui->TxtPlotFile});
}

TFrmPlotVeg::~TFrmPlotVeg() = default;
