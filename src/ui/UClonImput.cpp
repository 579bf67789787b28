#include "UClonImput.h"

#include <QLineEdit>
#include <QPushButton>

#include "FieldExit.h"
#include "Help.h"
#include "engine/CloneFrequencies.h"
#include "engine/RunLoop.h"
#include "engine/Series.h"
#include "files/PlotFile.h"
#include "framework/Locale.h"
#include "framework/Pictures.h"
#include "framework/Windows.h"
#include "state/SimState.h"
#include "ui_UClonImput.h"

using morvane::ui::Sim;
namespace mui = morvane::ui;
namespace rules = morvane::rules;

TFrmClonImput::TFrmClonImput(QWidget *parent)
    : InputForm(parent), ui(std::make_unique<Ui::TFrmClonImput>()) {
  ui->setupUi(this);
  SetBackground(mui::kAqua);
  mui::MakeDisplayFieldsReadable(this);
  for (QLineEdit *field : {ui->TxtHabFreq, ui->TxtAsb, ui->Txtsasb, ui->TxtL})
    mui::LocaliseNumericText(field);
  mui::ShowPicture(ui->Image1, ":/pictures/ClonImput.jpg");

  OnFieldExit(ui->TxtSoftProp, [this] { TxtSoftPropExit(); });
  OnFieldExit(ui->TxtMigSurv, [this] { TxtMigSurvExit(); });
  OnFieldExit(ui->TxtHabFreq, [this] { TxtHabFreqExit(); });
  OnFieldExit(ui->TxtAB, [this] { TxtABExit(); });
  OnFieldExit(ui->TxtAsb, [this] { TxtAsbExit(); });
  OnFieldExit(ui->TxtsaB, [this] { TxtsaBExit(); });
  OnFieldExit(ui->Txtsasb, [this] { TxtsasbExit(); });
  OnFieldExit(ui->Txti, [this] { TxtiExit(); });
  OnFieldExit(ui->Txtj, [this] { TxtjExit(); });
  OnFieldExit(ui->TxtL, [this] { TxtLExit(); });
  ui->GrpBxFitness->Attach(*this, FitnessGroupBox::Variant::Clonal);
  OnClick(ui->BtnGoClon, [this] { BtnGoClonClick(); });
  OnClick(ui->BtnBackC, [this] { BtnBackCClick(); });
  OnTrigger(ui->Help1, [this] { Help1Click(); });
}

TFrmClonImput::~TFrmClonImput() = default;

void TFrmClonImput::FormShow() { ui->GrpBxFitness->ResetOnShow(); }

void TFrmClonImput::FormActivate() {
  // The files in force are shown even when emptying the Plot file fails.
  ui->TxtFinalFile->setText(QString::fromStdString(Sim().FinalFileName));
  ui->TxtDetailFile->setText(QString::fromStdString(Sim().DetailFileName));
  // A file error ends the activation here; the rest is not reset.
  morvane::PrepareClonalInput(Sim(), morvane::kClonePlotFileName);
  ui->GrpBxFitness->ResetOnActivate();
  // The field texts are left as the user typed them; only the state is
  // back at its defaults until the fields are left or Go reads them.
}

void TFrmClonImput::TxtSoftPropExit() { CheckField(ui->TxtSoftProp, rules::SoftPropClonal); }
void TFrmClonImput::TxtMigSurvExit() { CheckField(ui->TxtMigSurv, rules::MigSurv); }
void TFrmClonImput::TxtHabFreqExit() { CheckField(ui->TxtHabFreq, rules::HabFreq); }
void TFrmClonImput::TxtiExit() { CheckField(ui->Txti, rules::TriesAB); }
void TFrmClonImput::TxtjExit() { CheckField(ui->Txtj, rules::TriesaB); }
void TFrmClonImput::TxtLExit() { CheckField(ui->TxtL, rules::StopThreshold); }
void TFrmClonImput::TxtABExit() { FrequencyExit(ui->TxtAB, rules::FreqAB); }
void TFrmClonImput::TxtAsbExit() { FrequencyExit(ui->TxtAsb, rules::FreqAb); }
void TFrmClonImput::TxtsaBExit() { FrequencyExit(ui->TxtsaB, rules::FreqaB); }
void TFrmClonImput::TxtsasbExit() { FrequencyExit(ui->Txtsasb, rules::Freqab); }

void TFrmClonImput::ShowFrequencies() {
  ui->TxtAB->setText(mui::RealText(Sim().X[1]));
  ui->TxtAsb->setText(mui::RealText(Sim().X[2]));
  ui->TxtsaB->setText(mui::RealText(Sim().X[3]));
  ui->Txtsasb->setText(mui::RealText(Sim().X[4]));
}

void TFrmClonImput::FrequencyExit(QLineEdit *field, const morvane::FieldRule &rule) {
  CheckField(field, rule);
  // The sum is taken from the state: the other three are the values last
  // stored, not the texts on the screen.
  KeepFrequenciesSummingToOne();
}

bool TFrmClonImput::KeepFrequenciesSummingToOne() {
  switch (morvane::CheckCloneSum(Sim())) {
  case morvane::CloneSum::One:
    return true;
  case morvane::CloneSum::Zero:
    ShowMessage("Sum = 0, very funny!");
    morvane::ResetCloneFrequencies(Sim());
    ShowFrequencies();
    return false;
  case morvane::CloneSum::Other:
    morvane::NormaliseCloneFrequencies(Sim());
    ShowFrequencies();
    return true;
  }
  return true;
}

void TFrmClonImput::BtnGoClonClick() {
  // Every value is stored as soon as it is read; a text that is no number
  // ends Go there, with what was read before it kept.
  Sim().W1A = mui::ReadReal(ui->GrpBxFitness->W1AField()->text());
  Sim().W2A = mui::ReadReal(ui->GrpBxFitness->W2AField()->text());
  Sim().W1a = mui::ReadReal(ui->GrpBxFitness->W1aField()->text());
  Sim().W2a = mui::ReadReal(ui->GrpBxFitness->W2aField()->text());
  Sim().HabFreq = mui::ReadReal(ui->TxtHabFreq->text());
  Sim().MigSurv = mui::ReadReal(ui->TxtMigSurv->text());
  Sim().SoftProp = mui::ReadReal(ui->TxtSoftProp->text());
  Sim().TriesAB = ReadTries(ui->Txti->text());
  Sim().TriesaB = ReadTries(ui->Txtj->text());
  Sim().X[1] = mui::ReadReal(ui->TxtAB->text());
  Sim().X[2] = mui::ReadReal(ui->TxtAsb->text());
  Sim().X[3] = mui::ReadReal(ui->TxtsaB->text());
  Sim().X[4] = mui::ReadReal(ui->Txtsasb->text());
  Sim().StopThreshold = mui::ReadReal(ui->TxtL->text());
  // The four values read may come from fields not left since an earlier
  // series: a run starts only from frequencies that sum to 1, and the fields
  // show the ones it uses.
  if (!KeepFrequenciesSummingToOne())
    return;

  CloseAndRun(morvane::Model::Clonal,
              [](morvane::RunDisplay &display) { morvane::StartClonalSeries(Sim(), display); });
}

void TFrmClonImput::BtnBackCClick() { BackToMainWindow(); }

void TFrmClonImput::Help1Click() { mui::HelpMenuRequested(); }
