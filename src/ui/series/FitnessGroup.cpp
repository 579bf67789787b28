#include "ui/series/FitnessGroup.h"

#include <QLineEdit>
#include <QPushButton>

#include "engine/FieldRules.h"
#include "engine/TradeOff.h"
#include "state/SimState.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Windows.h"
#include "ui_FitnessGroup.h"

namespace mui = morvane::ui;

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

void FitnessGroupBox::Attach(Host &host, Variant variant, morvane::SimState &state) {
  host_ = &host;
  variant_ = variant;
  state_ = &state;
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
  ui_->BtnNoESS->setEnabled(false);
  if (morvane::TradeOffOfFlags(State()) != morvane::TradeOffRule::None) {
    PresentTradeOffInForce();
    return;
  }
  ui_->TxtW2A->setEnabled(true);
  ui_->TxtW2Smalla->setEnabled(true);
  ui_->TxtTOStatus->setText(QString::fromStdString(State().TradeOffStatus));
}

void FitnessGroupBox::ResetOnActivate() {
  // The statuses were reset with the rest of the state: no ESS option, and
  // the trade-off whose flag survives is the one recorded.
  ui_->BtnNoESS->setEnabled(false);
  ui_->BtnESS->setEnabled(false);
  PresentTradeOffInForce();
}

void FitnessGroupBox::PresentTradeOffInForce() {
  const morvane::TradeOffRule rule = morvane::TradeOffOfFlags(State());
  if (rule == morvane::TradeOffRule::None)
    return;
  morvane::ChooseTradeOff(State(), rule);
  // Locked first: should a habitat-1 text not parse, no habitat-2 field is
  // left open under the trade-off (the habitat-1 exit then computes it).
  ui_->TxtW2A->setEnabled(false);
  ui_->TxtW2Smalla->setEnabled(false);
  ApplyTradeOff(rule);
}

void FitnessGroupBox::TxtW1AExit() {
  host_->CheckField(ui_->TxtW1A, morvane::rules::W1A);
  FollowTradeOffInForce(State().W1A, State().W2A, ui_->TxtW2A);
}

void FitnessGroupBox::TxtSmallaExit() {
  host_->CheckField(ui_->TxtSmalla, morvane::rules::W1a);
  FollowTradeOffInForce(State().W1a, State().W2a, ui_->TxtW2Smalla);
}

void FitnessGroupBox::FollowTradeOffInForce(double w1, double &w2, QLineEdit *w2Field) {
  const morvane::TradeOffRule rule = morvane::TradeOffOfFlags(State());
  if (rule == morvane::TradeOffRule::None)
    return;
  w2 = morvane::TradeOffSurvival(rule, w1);
  w2Field->setText(mui::RealText(w2));
  w2Field->setEnabled(false);
}

void FitnessGroupBox::TxtW2AExit() { host_->CheckField(ui_->TxtW2A, morvane::rules::W2A); }

void FitnessGroupBox::TxtW2SmallaExit() {
  host_->CheckField(ui_->TxtW2Smalla, morvane::rules::W2a);
}

void FitnessGroupBox::TxtSmallaChange() {
  // Goes by the recorded status, with the W1(a) last stored (not the text
  // being typed); the exit then recomputes from the typed value.
  const morvane::TradeOffRule rule = morvane::TradeOffOfStatus(State().TradeOffStatus);
  if (rule == morvane::TradeOffRule::None)
    return;
  State().W2a = morvane::TradeOffSurvival(rule, State().W1a);
  ui_->TxtW2Smalla->setText(mui::RealText(State().W2a));
}

void FitnessGroupBox::BtnNoTradeClick() {
  ui_->BtnESS->setEnabled(false);
  morvane::ChooseTradeOff(State(), morvane::TradeOffRule::None);
  ui_->TxtW1A->setEnabled(true);
  ui_->TxtSmalla->setEnabled(true);
  ui_->TxtW2A->setEnabled(true);
  ui_->TxtW2Smalla->setEnabled(true);
  ui_->TxtTOStatus->setText(QString::fromStdString(State().TradeOffStatus));
}

void FitnessGroupBox::BtnTradeLinClick() {
  // With habitat 1 the rarer one [A] cannot be the ESS, but the linear rule
  // itself applies for any c: it is applied (and recorded) all the same, so
  // that the survivals used always match the recorded status.
  morvane::ChooseTradeOff(State(), morvane::TradeOffRule::Linear);
  const bool essPossible = State().HabFreq >= 0.5;
  ui_->BtnESS->setEnabled(essPossible);
  if (!essPossible)
    host_->FitnessMessage("as c<0.5 [A] cannot be the ESS");
  ApplyTradeOff(morvane::TradeOffRule::Linear);
  if (variant_ == Variant::Clonal)
    ui_->BtnNoESS->setEnabled(true);
}

void FitnessGroupBox::BtnConvexTradeClick() {
  ui_->BtnESS->setEnabled(false);
  morvane::ChooseTradeOff(State(), morvane::TradeOffRule::Convex);
  ApplyTradeOff(morvane::TradeOffRule::Convex);
}

void FitnessGroupBox::BtnConcaveTradeClick() {
  ui_->BtnESS->setEnabled(false);
  morvane::ChooseTradeOff(State(), morvane::TradeOffRule::Concave);
  ApplyTradeOff(morvane::TradeOffRule::Concave);
}

void FitnessGroupBox::ApplyTradeOff(morvane::TradeOffRule rule) {
  const auto f = [rule](double w) { return morvane::TradeOffSurvival(rule, w); };
  ui_->TxtW1A->setEnabled(true);
  ui_->TxtSmalla->setEnabled(true);
  // A text that does not parse ends the handler here with its parse error.
  State().W1A = mui::ReadReal(ui_->TxtW1A->text());
  State().W2A = f(State().W1A);
  ui_->TxtW2A->setText(mui::RealText(State().W2A));
  State().W1a = mui::ReadReal(ui_->TxtSmalla->text());
  State().W2a = f(State().W1a);
  ui_->TxtW2Smalla->setText(mui::RealText(State().W2a));
  ui_->TxtW2A->setEnabled(false);
  ui_->TxtW2Smalla->setEnabled(false);
  ui_->TxtTOStatus->setText(QString::fromStdString(State().TradeOffStatus));
}

void FitnessGroupBox::BtnESSClick() {
  State().ESSStatus = "LinESS";
  State().W1A = morvane::EssW1A(State().HabFreq, State().SoftProp, State().W1A);
  State().W2A = morvane::LinearTradeOff(State().W1A);
  ui_->TxtW1A->setText(mui::RealText(State().W1A));
  ui_->TxtW2A->setText(mui::RealText(State().W2A));
  ui_->TxtW1A->setEnabled(false);
  if (variant_ == Variant::Sexual)
    ui_->BtnNoESS->setEnabled(true);
}

void FitnessGroupBox::BtnNoESSClick() {
  State().ESSStatus = "NoESS";
  ui_->TxtW1A->setEnabled(true);
}
