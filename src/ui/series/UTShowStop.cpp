#include "ui/series/UTShowStop.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPalette>

#include "state/SimState.h"
#include "ui/framework/Locale.h"
#include "ui/framework/Windows.h"
#include "ui_UTShowStop.h"

using namespace morvane::ui;

namespace {

// "924 bytes", "24.3 MB" (with the locale's decimal separator).
QString SizeText(qint64 bytes) {
  const char *const units[] = {"KB", "MB", "GB", "TB"};
  if (bytes < 1024)
    return QStringLiteral("%1 bytes").arg(bytes);
  double size = bytes / 1024.0;
  int unit = 0;
  for (; size >= 1024 && unit < 3; ++unit)
    size /= 1024;
  return QString::number(size, 'f', 1).replace('.', QChar(DecimalSeparator())) + ' ' + units[unit];
}

} // namespace

TFrmShowT::TFrmShowT(QWidget *parent)
    : MorvaneForm(parent), ui_(std::make_unique<Ui::TFrmShowT>()) {
  ui_->setupUi(this);
  // No close, minimise or maximise box: a run ends by itself or by the
  // interrupt button. A dialog of the program, so that the window manager
  // keeps it above the program's other windows: a progress window hidden
  // while they take no input would make the program look frozen.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  // While a run goes on, the other windows take no input: nothing may change
  // the state or empty the files the run is writing.
  setWindowModality(Qt::ApplicationModal);
  SetBackground(kAqua);
  // T is a display, not an entry: disabled, but in full black to be read.
  QPalette display = ui_->TxtNmbT->palette();
  display.setColor(QPalette::Disabled, QPalette::Text,
                   display.color(QPalette::Active, QPalette::Text));
  ui_->TxtNmbT->setPalette(display);
  // Room for any size, so that the numbers do not move as it grows.
  ui_->LblDetailSize->setMinimumWidth(
      ui_->LblDetailSize->fontMetrics().horizontalAdvance("Detail file: 1023.9 MB"));
  SetHelpContext(0);
  OnClick(ui_->BtnInterrupt, [this] { BtnInterruptClick(); });
}

TFrmShowT::~TFrmShowT() = default;

void TFrmShowT::SetRefreshIntervals(int repaintMs, int eventsMs) {
  repaintMs_ = repaintMs;
  eventsMs_ = eventsMs;
}

void TFrmShowT::ShowProgress() {
  painted_ = false;
  repaints_ = 0;
  ui_->BtnInterrupt->setEnabled(true);
  ShowForm();
  sinceEvents_.start();
}

void TFrmShowT::ShowNumbers() {
  ui_->TxtNmbT->setText(QString::number(generation_));
  ui_->TxtDeltap->setText(RealText(deltaP_));
  ui_->TxtDeltaq->setText(RealText(deltaQ_));
  // How far the Detail file has grown (a run with L = 0 can fill a disk):
  // looked up only when the numbers are repainted.
  const QFileInfo detail(
      QFile::decodeName(QByteArray::fromStdString(morvane::ui::Sim().DetailFileName)));
  ui_->LblDetailSize->setText(detail.exists() ? "Detail file: " + SizeText(detail.size())
                                              : QString());
}

void TFrmShowT::Paint() {
  ShowNumbers();
  repaint();
  painted_ = true;
  ++repaints_;
  sincePaint_.start();
}

void TFrmShowT::DisplayProgress(std::uint32_t generation, double deltaP, double deltaQ) {
  generation_ = generation;
  deltaP_ = deltaP;
  deltaQ_ = deltaQ;
  if (!painted_ || sincePaint_.elapsed() >= repaintMs_)
    Paint();
}

void TFrmShowT::ProcessPendingEvents() {
  if (eventsMs_ > 0 && sinceEvents_.elapsed() < eventsMs_)
    return;
  QCoreApplication::processEvents();
  sinceEvents_.start();
}

void TFrmShowT::HideProgress() {
  // The numbers of the last generation, for the next time the window shows.
  ShowNumbers();
  CloseForm();
}

void TFrmShowT::HandOver(morvane::Model model) {
  // Without its disturbance window (a test program that builds only some
  // windows) a finished run goes back to the main menu.
  if (!ShowWindow(DisturbanceWindow(model)))
    ShowWindow(Windows().frmMorvane);
}

void TFrmShowT::BtnInterruptClick() {
  // The run loop reads the flag after the events: the run ends after the
  // current generation and goes on as a converged run.
  morvane::ui::Sim().StopRequested = true;
  ui_->BtnInterrupt->setEnabled(false);
}

void TFrmShowT::closeEvent(QCloseEvent *e) {
  // The window manager may still offer to close it (Alt+F4): a run is ended
  // with the interrupt button, not by closing its window.
  e->ignore();
}
