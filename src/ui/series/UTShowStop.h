// The progress window: shown by the run loop for the length of a run, with T,
// the size the Detail file has reached and the last changes of p and q, and a
// button that ends the run after the current generation.
#pragma once

#include <QElapsedTimer>
#include <memory>

#include "engine/RunLoop.h"
#include "ui/framework/MorvaneForm.h"

namespace Ui {
class TFrmShowT;
}
class QLineEdit;
class QPushButton;

class TFrmShowT : public morvane::ui::MorvaneForm, public morvane::RunDisplay {
  Q_OBJECT

public:
  explicit TFrmShowT(QWidget *parent = nullptr);
  ~TFrmShowT() override;

  void ShowProgress() override;
  void DisplayProgress(std::uint32_t generation, double deltaP, double deltaQ) override;
  void ProcessPendingEvents() override;
  void HideProgress() override;
  void HandOver(morvane::Model model) override;

  // The window repaints its numbers at most once per `repaintMs` and lets
  // pending events run at most once per `eventsMs` (0: every generation).
  // Painting every one of thousands of generations a second would cost more
  // than the generations themselves and nobody can read it.
  void SetRefreshIntervals(int repaintMs, int eventsMs);
  // How many times the numbers were repainted in the current run.
  long RepaintCount() const { return repaints_; }

protected:
  void closeEvent(QCloseEvent *e) override;

private:
  void BtnInterruptClick();
  void ShowNumbers();
  void Paint();

  std::unique_ptr<Ui::TFrmShowT> ui_;
  QElapsedTimer sincePaint_;
  QElapsedTimer sinceEvents_;
  int repaintMs_ = 30;
  int eventsMs_ = 5;
  bool painted_ = false;
  long repaints_ = 0;
  std::uint32_t generation_ = 0;
  double deltaP_ = 0;
  double deltaQ_ = 0;
};
