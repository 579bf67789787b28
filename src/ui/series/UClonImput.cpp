#include "ui/series/UClonImput.h"

#include <QLineEdit>
#include <QPushButton>

#include "engine/CloneFrequencies.h"
#include "engine/RunLoop.h"
#include "engine/Series.h"
#include "files/PlotFile.h"
#include "state/SimState.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Windows.h"
#include "ui/series/FieldExit.h"
#include "ui_UClonImput.h"

using morvane::ui::Sim;
namespace mui = morvane::ui;
namespace rules = morvane::rules;

TFrmClonImput::TFrmClonImput(QWidget *parent)
    : InputForm(parent), ui(std::make_unique<Ui::TFrmClonImput>()) {
  ui->setupUi(this);
  // After a frequency's own rule, the four are brought back to a sum of 1.
  // The sum is taken from the state: the other three are the values last
  // stored, not the texts on the screen.
  const auto sumRule = [this] { KeepFrequenciesSummingToOne(false); };
  // In Go's reading order.
  mui::FieldTable fields = FitnessRows(*ui->GrpBxFitness);
  fields.insert(fields.end(), {{ui->TxtHabFreq, &rules::HabFreq},
                               {ui->TxtMigSurv, &rules::MigSurv},
                               {ui->TxtSoftProp, &rules::SoftPropClonal},
                               {ui->Txti, &rules::TriesAB},
                               {ui->Txtj, &rules::TriesaB},
                               {ui->TxtAB, &rules::FreqAB, sumRule},
                               {ui->TxtAsb, &rules::FreqAb, sumRule},
                               {ui->TxtsaB, &rules::FreqaB, sumRule},
                               {ui->Txtsasb, &rules::Freqab, sumRule},
                               {ui->TxtL, &rules::StopThreshold}});
  SetUpInputWindow({ui->GrpBxFitness,
                    FitnessGroupBox::Variant::Clonal,
                    ui->TxtFinalFile,
                    ui->TxtDetailFile,
                    ui->BtnGoClon,
                    ui->BtnBackC,
                    ui->BtnAnalyseC,
                    ui->Help1,
                    ui->Image1,
                    ":/pictures/ClonImput.jpg",
                    {ui->TxtHabFreq, ui->TxtAsb, ui->Txtsasb, ui->TxtL}},
                   std::move(fields), [this] { BtnGoClonClick(); });
}

TFrmClonImput::~TFrmClonImput() = default;

void TFrmClonImput::FormActivate() {
  ActivateInput([] { morvane::PrepareClonalInput(Sim(), morvane::kClonePlotFileName); });
}

bool TFrmClonImput::KeepFrequenciesSummingToOne(bool asShown) {
  // A field exit keeps only an exact sum of 1; Go runs values whose shown
  // digits sum to 1 as they are shown.
  const morvane::CloneSum sum =
      asShown ? morvane::SumShownCloneFrequenciesToOne(&Sim().X[1]) : morvane::CheckCloneSum(Sim());
  if (sum == morvane::CloneSum::One)
    return true;
  if (sum == morvane::CloneSum::Zero) {
    ShowMessage("Sum = 0, very funny!");
    morvane::ResetCloneFrequencies(Sim());
  } else if (!asShown) {
    morvane::NormaliseCloneFrequencies(Sim());
  }
  mui::ShowCloneFrequencies({ui->TxtAB, ui->TxtAsb, ui->TxtsaB, ui->Txtsasb}, Sim());
  return sum != morvane::CloneSum::Zero;
}

void TFrmClonImput::BtnGoClonClick() {
  ReadFields();
  // The four values read may come from fields not left since an earlier
  // series: a run starts only from frequencies that sum to 1, and the fields
  // show the ones it uses.
  if (!KeepFrequenciesSummingToOne(true))
    return;
  CloseAndRun(morvane::Model::Clonal,
              [](morvane::RunDisplay &display) { morvane::StartClonalSeries(Sim(), display); });
}
