#include "USexImput.h"

#include <QLineEdit>
#include <QPushButton>

#include "FieldExit.h"
#include "Help.h"
#include "engine/InitialState.h"
#include "engine/RunLoop.h"
#include "engine/Series.h"
#include "files/PlotFile.h"
#include "framework/Locale.h"
#include "framework/Pictures.h"
#include "framework/Windows.h"
#include "state/SimState.h"
#include "ui_USexImput.h"

using morvane::ui::Sim;
namespace mui = morvane::ui;
namespace rules = morvane::rules;

TFrmSexImput::TFrmSexImput(QWidget *parent)
    : InputForm(parent), ui(std::make_unique<Ui::TFrmSexImput>()) {
  ui->setupUi(this);
  SetBackground(mui::kAqua);
  mui::MakeDisplayFieldsReadable(this);
  for (QLineEdit *field : {ui->TxtHabFreq, ui->TxtFreqA, ui->TxtBFreq, ui->TxtL})
    mui::LocaliseNumericText(field);
  ui->TxtDGRange->setText(
      QString::fromStdString(morvane::DGRangeText(-0.25, 0.25, mui::DecimalSeparator())));
  mui::ShowPicture(ui->Image1, ":/pictures/SexImput.jpg");

  OnFieldExit(ui->TxtSoftProp, [this] { TxtSoftPropExit(); });
  OnFieldExit(ui->TxtMigSurv, [this] { TxtMigSurvExit(); });
  OnFieldExit(ui->TxtHabFreq, [this] { TxtHabFreqExit(); });
  OnFieldExit(ui->TxtFreqA, [this] { TxtFreqAExit(); });
  OnFieldExit(ui->TxtBFreq, [this] { TxtBFreqExit(); });
  OnFieldExit(ui->Txti, [this] { TxtiExit(); });
  OnFieldExit(ui->Txtj, [this] { TxtjExit(); });
  OnFieldExit(ui->TxtDG, [this] { TxtDGExit(); });
  OnFieldExit(ui->TxtL, [this] { TxtLExit(); });
  ui->GrpBxFitness->Attach(*this, FitnessGroupBox::Variant::Sexual);
  OnClick(ui->BtnGoSex, [this] { BtnGoSexClick(); });
  OnClick(ui->BtnBackS, [this] { BtnBackSClick(); });
  OnTrigger(ui->Morvanev2Help1, [this] { Morvanev2Help1Click(); });
}

TFrmSexImput::~TFrmSexImput() = default;

void TFrmSexImput::FormShow() { ui->GrpBxFitness->ResetOnShow(); }

void TFrmSexImput::FormActivate() {
  ui->TxtPloidy->setText(QString::fromStdString(Sim().Ploidy));
  ui->TxtRepro->setText(QString::fromStdString(Sim().Reproduction));
  // The files in force are shown even when emptying the Plot file fails.
  ui->TxtFinalFile->setText(QString::fromStdString(Sim().FinalFileName));
  ui->TxtDetailFile->setText(QString::fromStdString(Sim().DetailFileName));
  // A file error ends the activation here; the rest is not reset.
  morvane::PrepareSexualInput(Sim(), morvane::kSexPlotFileName);
  ui->GrpBxFitness->ResetOnActivate();
  // The field texts are left as the user typed them; only the state is
  // back at its defaults until the fields are left or Go reads them.
}

void TFrmSexImput::ShowDGRange() {
  morvane::StoreDGRange(Sim());
  ui->TxtDGRange->setText(mui::DGRangeDisplay(Sim()));
}

void TFrmSexImput::TxtSoftPropExit() { CheckField(ui->TxtSoftProp, rules::SoftPropSexual); }
void TFrmSexImput::TxtMigSurvExit() { CheckField(ui->TxtMigSurv, rules::MigSurv); }
void TFrmSexImput::TxtHabFreqExit() { CheckField(ui->TxtHabFreq, rules::HabFreq); }
void TFrmSexImput::TxtiExit() { CheckField(ui->Txti, rules::TriesAB); }
void TFrmSexImput::TxtjExit() { CheckField(ui->Txtj, rules::TriesaB); }
void TFrmSexImput::TxtLExit() { CheckField(ui->TxtL, rules::StopThreshold); }
void TFrmSexImput::TxtDGExit() { CheckField(ui->TxtDG, rules::DG); }

void TFrmSexImput::TxtFreqAExit() {
  CheckField(ui->TxtFreqA, rules::FreqA);
  ShowDGRange();
}

void TFrmSexImput::TxtBFreqExit() {
  CheckField(ui->TxtBFreq, rules::FreqB);
  ShowDGRange();
}

void TFrmSexImput::BtnGoSexClick() {
  const std::optional<morvane::Model> model = morvane::SelectedSexualModel(Sim());
  if (!model)
    return;
  // Every value is stored as soon as it is read; a text that is no number
  // ends Go there, with what was read before it kept.
  Sim().FreqA = mui::ReadReal(ui->TxtFreqA->text());
  Sim().FreqB = mui::ReadReal(ui->TxtBFreq->text());
  Sim().DG = mui::ReadReal(ui->TxtDG->text());
  Sim().StopThreshold = mui::ReadReal(ui->TxtL->text());
  Sim().W1A = mui::ReadReal(ui->GrpBxFitness->W1AField()->text());
  Sim().W2A = mui::ReadReal(ui->GrpBxFitness->W2AField()->text());
  Sim().W1a = mui::ReadReal(ui->GrpBxFitness->W1aField()->text());
  Sim().W2a = mui::ReadReal(ui->GrpBxFitness->W2aField()->text());
  Sim().HabFreq = mui::ReadReal(ui->TxtHabFreq->text());
  Sim().MigSurv = mui::ReadReal(ui->TxtMigSurv->text());
  Sim().SoftProp = mui::ReadReal(ui->TxtSoftProp->text());
  Sim().TriesAB = ReadTries(ui->Txti->text());
  Sim().TriesaB = ReadTries(ui->Txtj->text());

  // A DG0 that was in range when it was typed may have left the range since
  // p or q changed; the population built from it would have negative type
  // frequencies. Refuse it as the DG0 field does.
  ShowDGRange();
  if (!morvane::FitDGIntoRange(Sim().FreqA, Sim().FreqB, Sim().DG)) {
    Sim().DG = 0;
    ui->TxtDG->setText(mui::RealText(Sim().DG));
    ShowFieldMessage(ui->TxtDG, rules::DG.message);
    return;
  }

  CloseAndRun(*model,
              [](morvane::RunDisplay &display) { morvane::StartSexualSeries(Sim(), display); });
}

void TFrmSexImput::BtnBackSClick() { BackToMainWindow(); }

void TFrmSexImput::Morvanev2Help1Click() { mui::HelpMenuRequested(); }
