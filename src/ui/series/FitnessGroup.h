// The "Fitness Menu" group of both input windows: the four survivals, the
// trade-off that ties the habitat-2 survivals to the habitat-1 ones, and the
// ESS option under the linear trade-off. One implementation serves both
// windows; the few points where they differ are chosen by the Variant.
#pragma once

#include <QGroupBox>
#include <QString>
#include <functional>
#include <memory>

#include "engine/FieldRules.h"
#include "engine/TradeOff.h"
#include "state/SimState.h"

class QAbstractButton;
class QLineEdit;
class QPushButton;

namespace Ui {
class FitnessGroupBox;
}

class FitnessGroupBox : public QGroupBox {
  Q_OBJECT

public:
  enum class Variant { Sexual, Clonal };

  // What the group needs from the window that holds it: the window's
  // field-exit events, its guarded handlers and its message boxes.
  class Host {
  public:
    virtual ~Host() = default;
    virtual void FitnessFieldExit(QLineEdit *field, std::function<void()> handler) = 0;
    virtual void FitnessGuard(const std::function<void()> &handler) = 0;
    // A button of the group: the focused field is left first, as for any
    // button of the window.
    virtual void FitnessClick(const std::function<void()> &handler) = 0;
    // The field-exit rule on one of the group's fields, with the window's
    // message and the focus back in the field after a bad entry.
    virtual void CheckField(QLineEdit *field, const morvane::FieldRule &rule) = 0;
    virtual void FitnessMessage(const QString &text) = 0;
  };

  explicit FitnessGroupBox(QWidget *parent = nullptr);
  ~FitnessGroupBox() override;

  // Connects the group's controls to their handlers; called once by the
  // window that holds the group. The group reads and sets the survivals,
  // the trade-off and the ESS in `state`: the program's series for the
  // input windows, the sweep window's own for the sweep.
  void Attach(Host &host, Variant variant, morvane::SimState &state);
  // The window's model changed between sexual and clonal.
  void SetVariant(Variant variant) { variant_ = variant; }

  // The part of the window's show handler that concerns the group.
  void ResetOnShow();
  // The part of the window's activation that concerns the group: the ESS
  // option is dropped and the recorded trade-off is the one the exits apply.
  void ResetOnActivate();

  QLineEdit *W1AField() const;
  QLineEdit *W1aField() const;
  QLineEdit *W2AField() const;
  QLineEdit *W2aField() const;

private:
  void TxtW1AExit();
  void TxtSmallaExit();
  void TxtW2AExit();
  void TxtW2SmallaExit();
  void TxtSmallaChange();
  void BtnNoTradeClick();
  void BtnTradeLinClick();
  void BtnConvexTradeClick();
  void BtnConcaveTradeClick();
  void BtnESSClick();
  void BtnNoESSClick();

  // On show and on activation: a trade-off whose flag outlived its series
  // is presented in force exactly as its button presents it (status
  // recorded and shown, habitat-1 fields open, habitat-2 survivals computed
  // from the habitat-1 texts, shown and locked), so that the status
  // recorded, the fields that can be typed in and the survivals a run uses
  // always agree. "No Trade-off" frees the habitat-2 fields.
  void PresentTradeOffInForce();
  // The steps that the three trade-off buttons share once the flags and the
  // status are set: habitat-1 fields open, habitat-2 survivals computed from
  // the habitat-1 texts, shown and locked.
  void ApplyTradeOff(morvane::TradeOffRule rule);
  // After a habitat-1 exit: the trade-off whose flag is set computes, shows
  // and locks the habitat-2 survival; nothing happens under no trade-off.
  void FollowTradeOffInForce(double w1, double &w2, QLineEdit *w2Field);
  void OnClick(QAbstractButton *button, void (FitnessGroupBox::*handler)());

  std::unique_ptr<Ui::FitnessGroupBox> ui_;
  morvane::SimState &State() const { return *state_; }

  Host *host_ = nullptr;
  morvane::SimState *state_ = nullptr;
  Variant variant_ = Variant::Sexual;
};
