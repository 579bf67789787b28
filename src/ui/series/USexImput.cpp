#include "ui/series/USexImput.h"

#include <QLineEdit>
#include <QPushButton>

#include "engine/InitialState.h"
#include "engine/RunLoop.h"
#include "engine/Series.h"
#include "files/PlotFile.h"
#include "state/SimState.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Windows.h"
#include "ui/series/FieldExit.h"
#include "ui_USexImput.h"

using morvane::ui::Sim;
namespace mui = morvane::ui;
namespace rules = morvane::rules;

TFrmSexImput::TFrmSexImput(QWidget *parent)
    : InputForm(parent), ui(std::make_unique<Ui::TFrmSexImput>()) {
  ui->setupUi(this);
  ui->TxtDGRange->setText(
      QString::fromStdString(morvane::DGRangeText(-0.25, 0.25, mui::DecimalSeparator())));
  // After p or q: the DG range of the p and q held in the state.
  const auto showDGRange = [this] { ShowDGRange(ui->TxtDGRange); };
  // In Go's reading order; p and q first, as DG0's range depends on them.
  mui::FieldTable fields = {{ui->TxtFreqA, &rules::FreqA, showDGRange},
                            {ui->TxtBFreq, &rules::FreqB, showDGRange},
                            {ui->TxtDG, &rules::DG},
                            {ui->TxtL, &rules::StopThreshold}};
  for (const mui::FieldRow &row : FitnessRows(*ui->GrpBxFitness))
    fields.push_back(row);
  fields.insert(fields.end(), {{ui->TxtHabFreq, &rules::HabFreq},
                               {ui->TxtMigSurv, &rules::MigSurv},
                               {ui->TxtSoftProp, &rules::SoftPropSexual},
                               {ui->Txti, &rules::TriesAB},
                               {ui->Txtj, &rules::TriesaB}});
  SetUpInputWindow({ui->GrpBxFitness,
                    FitnessGroupBox::Variant::Sexual,
                    ui->TxtFinalFile,
                    ui->TxtDetailFile,
                    ui->BtnGoSex,
                    ui->BtnBackS,
                    ui->BtnAnalyseS,
                    ui->Morvanev2Help1,
                    ui->Image1,
                    ":/pictures/SexImput.jpg",
                    {ui->TxtHabFreq, ui->TxtFreqA, ui->TxtBFreq, ui->TxtL}},
                   std::move(fields), [this] { BtnGoSexClick(); });
}

TFrmSexImput::~TFrmSexImput() = default;

void TFrmSexImput::FormActivate() {
  ui->TxtPloidy->setText(QString::fromStdString(Sim().Ploidy));
  ui->TxtRepro->setText(QString::fromStdString(Sim().Reproduction));
  ActivateInput([] { morvane::PrepareSexualInput(Sim(), morvane::kSexPlotFileName); });
}

void TFrmSexImput::BtnGoSexClick() {
  const std::optional<morvane::Model> model = morvane::SelectedSexualModel(Sim());
  if (!model)
    return;
  ReadFields();
  // A DG0 refused here is refused as the DG0 field refuses it.
  if (!KeepDGInRange(ui->TxtDGRange, ui->TxtDG, rules::DG))
    return;
  CloseAndRun(*model,
              [](morvane::RunDisplay &display) { morvane::StartSexualSeries(Sim(), display); });
}
