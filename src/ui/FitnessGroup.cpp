#include "FitnessGroup.h"

#include <QLineEdit>
#include <QPushButton>

#include "FieldExit.h"
#include "FieldRules.h"
#include "engine/TradeOff.h"
#include "framework/Locale.h"
#include "state/SimState.h"
#include "ui_FitnessGroup.h"

using morvane::Sim;
namespace mui = morvane::ui;

namespace morvane::ui {

const char *TradeOffStatusOfFlags(bool linear, bool convex, bool concave) {
  if (linear)
    return "LinTO";
  if (convex)
    return "ConvTO";
  if (concave)
    return "ConcTO";
  return "NoTO";
}

} // namespace morvane::ui

namespace {

// The habitat-2 survival that the trade-off flags in force give for w, or
// false when no trade-off is in force.
bool TradeOffOfFlags(double w, double &w2) {
  if (Sim.LinTradeOff)
    w2 = morvane::LinearTradeOff(w);
  if (Sim.ConvexTradeOff)
    w2 = morvane::ConvexTradeOff(w);
  if (Sim.ConcaveTradeOff)
    w2 = morvane::ConcaveTradeOff(w);
  return Sim.LinTradeOff || Sim.ConvexTradeOff || Sim.ConcaveTradeOff;
}

} // namespace

FitnessGroupBox::FitnessGroupBox(QWidget *parent)
    : QGroupBox(parent), ui_(std::make_unique<Ui::FitnessGroupBox>()) {
  ui_->setupUi(this);
}

FitnessGroupBox::~FitnessGroupBox() = default;

QLineEdit *FitnessGroupBox::W1AField() const { return ui_->TxtW1A; }
QLineEdit *FitnessGroupBox::W1aField() const { return ui_->TxtSmalla; }
QLineEdit *FitnessGroupBox::W2AField() const { return ui_->TxtW2A; }
QLineEdit *FitnessGroupBox::W2aField() const { return ui_->TxtW2Smalla; }

void FitnessGroupBox::OnClick(QAbstractButton *button, void (FitnessGroupBox::*handler)()) {
  connect(button, &QAbstractButton::clicked, this,
          [this, handler] { host_->FitnessClick([this, handler] { (this->*handler)(); }); });
}

void FitnessGroupBox::Attach(Host &host, Variant variant) {
  host_ = &host;
  variant_ = variant;
  host.FitnessFieldExit(ui_->TxtW1A, [this] { TxtW1AExit(); });
  host.FitnessFieldExit(ui_->TxtSmalla, [this] { TxtSmallaExit(); });
  host.FitnessFieldExit(ui_->TxtW2A, [this] { TxtW2AExit(); });
  host.FitnessFieldExit(ui_->TxtW2Smalla, [this] { TxtW2SmallaExit(); });
  connect(ui_->TxtSmalla, &QLineEdit::textChanged, this,
          [this] { host_->FitnessGuard([this] { TxtSmallaChange(); }); });
  OnClick(ui_->BtnNoTrade, &FitnessGroupBox::BtnNoTradeClick);
  OnClick(ui_->BtnTradeLin, &FitnessGroupBox::BtnTradeLinClick);
  OnClick(ui_->BtnConvexTrade, &FitnessGroupBox::BtnConvexTradeClick);
  OnClick(ui_->BtnConcaveTrade, &FitnessGroupBox::BtnConcaveTradeClick);
  OnClick(ui_->BtnESS, &FitnessGroupBox::BtnESSClick);
  OnClick(ui_->BtnNoESS, &FitnessGroupBox::BtnNoESSClick);
}

void FitnessGroupBox::ResetOnShow() {
  // The trade-off flags stay as the previous series left them.
  ui_->BtnESS->setEnabled(false);
  ui_->TxtW2A->setEnabled(true);
  ui_->TxtW2Smalla->setEnabled(true);
  ui_->TxtTOStatus->setText(QString::fromStdString(Sim.TradeOffStatus));
  ui_->BtnNoESS->setEnabled(false);
}

void FitnessGroupBox::ResetOnActivate() {
  // The flags survive the activation, and the exits of the habitat-1 fields
  // keep applying their rule: the recorded status must name that rule.
  Sim.TradeOffStatus =
      mui::TradeOffStatusOfFlags(Sim.LinTradeOff, Sim.ConvexTradeOff, Sim.ConcaveTradeOff);
  Sim.ESSStatus = "NoESS";
  ui_->BtnNoESS->setEnabled(false);
  ui_->BtnESS->setEnabled(false);
}

void FitnessGroupBox::TxtW1AExit() {
  if (!mui::RunFieldRule(ui_->TxtW1A, mui::rules::W1A, Sim))
    host_->FitnessFieldMessage(ui_->TxtW1A, mui::rules::W1A.message);
  double w2 = Sim.W2A;
  if (TradeOffOfFlags(Sim.W1A, w2)) {
    Sim.W2A = w2;
    ui_->TxtW2A->setText(mui::RealText(Sim.W2A));
    ui_->TxtW2A->setEnabled(false);
  }
}

void FitnessGroupBox::TxtSmallaExit() {
  if (!mui::RunFieldRule(ui_->TxtSmalla, mui::rules::W1a, Sim))
    host_->FitnessFieldMessage(ui_->TxtSmalla, mui::rules::W1a.message);
  double w2 = Sim.W2a;
  if (TradeOffOfFlags(Sim.W1a, w2)) {
    Sim.W2a = w2;
    ui_->TxtW2Smalla->setText(mui::RealText(Sim.W2a));
    ui_->TxtW2Smalla->setEnabled(false);
  }
}

void FitnessGroupBox::TxtW2AExit() {
  if (!mui::RunFieldRule(ui_->TxtW2A, mui::rules::W2A, Sim))
    host_->FitnessFieldMessage(ui_->TxtW2A, mui::rules::W2A.message);
}

void FitnessGroupBox::TxtW2SmallaExit() {
  if (!mui::RunFieldRule(ui_->TxtW2Smalla, mui::rules::W2a, Sim))
    host_->FitnessFieldMessage(ui_->TxtW2Smalla, mui::rules::W2a.message);
}

void FitnessGroupBox::TxtSmallaChange() {
  // Goes by the recorded status, with the W1(a) last stored (not the text
  // being typed); the exit then recomputes from the typed value.
  const std::string &status = Sim.TradeOffStatus;
  if (status == "LinTO")
    Sim.W2a = morvane::LinearTradeOff(Sim.W1a);
  else if (status == "ConcTO")
    Sim.W2a = morvane::ConcaveTradeOff(Sim.W1a);
  else if (status == "ConvTO")
    Sim.W2a = morvane::ConvexTradeOff(Sim.W1a);
  else
    return;
  ui_->TxtW2Smalla->setText(mui::RealText(Sim.W2a));
}

void FitnessGroupBox::BtnNoTradeClick() {
  ui_->BtnESS->setEnabled(false);
  Sim.LinTradeOff = false;
  Sim.ConvexTradeOff = false;
  Sim.ConcaveTradeOff = false;
  Sim.TradeOffStatus = "NoTO";
  ui_->TxtW1A->setEnabled(true);
  ui_->TxtSmalla->setEnabled(true);
  ui_->TxtW2A->setEnabled(true);
  ui_->TxtW2Smalla->setEnabled(true);
  ui_->TxtTOStatus->setText(QString::fromStdString(Sim.TradeOffStatus));
}

void FitnessGroupBox::BtnTradeLinClick() {
  Sim.TradeOffStatus = "LinTO";
  // With habitat 1 the rarer one [A] cannot be the ESS, but the linear rule
  // itself applies for any c: it is applied (and recorded) all the same, so
  // that the survivals used always match the recorded status.
  const bool essPossible = Sim.HabFreq >= 0.5;
  ui_->BtnESS->setEnabled(essPossible);
  if (!essPossible)
    host_->FitnessMessage("as c<0.5 [A] cannot be the ESS");
  Sim.LinTradeOff = true;
  Sim.ConcaveTradeOff = false;
  Sim.ConvexTradeOff = false;
  ApplyTradeOff(Rule::Linear);
  if (variant_ == Variant::Clonal)
    ui_->BtnNoESS->setEnabled(true);
}

void FitnessGroupBox::BtnConvexTradeClick() {
  ui_->BtnESS->setEnabled(false);
  Sim.LinTradeOff = false;
  Sim.ConvexTradeOff = true;
  Sim.ConcaveTradeOff = false;
  Sim.TradeOffStatus = "ConvTO";
  ApplyTradeOff(Rule::Convex);
}

void FitnessGroupBox::BtnConcaveTradeClick() {
  ui_->BtnESS->setEnabled(false);
  Sim.LinTradeOff = false;
  Sim.ConcaveTradeOff = true;
  Sim.ConvexTradeOff = false;
  Sim.TradeOffStatus = "ConcTO";
  ApplyTradeOff(Rule::Concave);
}

void FitnessGroupBox::ApplyTradeOff(Rule rule) {
  const auto f = [rule](double w) {
    switch (rule) {
    case Rule::Linear:
      return morvane::LinearTradeOff(w);
    case Rule::Convex:
      return morvane::ConvexTradeOff(w);
    case Rule::Concave:
      break;
    }
    return morvane::ConcaveTradeOff(w);
  };
  ui_->TxtW1A->setEnabled(true);
  ui_->TxtSmalla->setEnabled(true);
  // A text that does not parse ends the handler here with its parse error.
  Sim.W1A = mui::ReadReal(ui_->TxtW1A->text());
  Sim.W2A = f(Sim.W1A);
  ui_->TxtW2A->setText(mui::RealText(Sim.W2A));
  Sim.W1a = mui::ReadReal(ui_->TxtSmalla->text());
  Sim.W2a = f(Sim.W1a);
  ui_->TxtW2Smalla->setText(mui::RealText(Sim.W2a));
  ui_->TxtW2A->setEnabled(false);
  ui_->TxtW2Smalla->setEnabled(false);
  ui_->TxtTOStatus->setText(QString::fromStdString(Sim.TradeOffStatus));
}

void FitnessGroupBox::BtnESSClick() {
  Sim.ESSStatus = "LinESS";
  Sim.W1A = morvane::EssW1A(Sim.HabFreq, Sim.SoftProp, Sim.W1A);
  Sim.W2A = morvane::LinearTradeOff(Sim.W1A);
  ui_->TxtW1A->setText(mui::RealText(Sim.W1A));
  ui_->TxtW2A->setText(mui::RealText(Sim.W2A));
  ui_->TxtW1A->setEnabled(false);
  if (variant_ == Variant::Sexual)
    ui_->BtnNoESS->setEnabled(true);
}

void FitnessGroupBox::BtnNoESSClick() {
  Sim.ESSStatus = "NoESS";
  ui_->TxtW1A->setEnabled(true);
}
