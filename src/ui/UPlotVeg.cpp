#include "UPlotVeg.h"

#include <QApplication>
#include <QPalette>

#include "ui_UPlotVeg.h"

namespace {

// A yellow that can still be told from the panel behind it.
const QColor kYellow(0xE8, 0xC4, 0x00);

} // namespace

TFrmPlotVeg::TFrmPlotVeg(QWidget *parent)
    : PlotForm(parent), ui(std::make_unique<Ui::TFrmPlotVeg>()) {
  ui->setupUi(this);
  // The panel takes the colour of the text of a highlighted caption.
  const QColor panel = QApplication::palette().color(QPalette::HighlightedText);
  SetUpChart(ui->Chart1, QStringLiteral("Frequencies of AB, Ab, aB and ab"), panel, 0, 1, 0.05,
             {{"Series1", "f(AB)", Qt::red},
              {"Series2", "f(Ab)", Qt::darkGreen, Qt::DashLine},
              {"Series3", "f(aB)", kYellow, Qt::DotLine},
              {"Series4", "f(ab)", Qt::blue, Qt::DashDotLine}});
  SetUpWindow(ui->BtnSaveChart, ui->BtnQuit, ui->Help1,
              {ui->Txtx, ui->Txtc, ui->Txtd, ui->Txti, ui->Txtj, ui->TxtW1A, ui->TxtW1sa,
               ui->TxtW2A, ui->TxtW2sa, ui->TxtTO, ui->TxtESS, ui->TxtFinalFile, ui->TxtDetailFile,
               ui->TxtPlotFile},
              QStringLiteral("Frequencies of AB, Ab, aB and ab"));
}

TFrmPlotVeg::~TFrmPlotVeg() = default;
