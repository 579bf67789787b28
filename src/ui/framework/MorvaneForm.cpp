#include "ui/framework/MorvaneForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QRadioButton>
#include <QScreen>
#include <utility>

#include "ui/framework/ErrorHandler.h"
#include "ui/framework/Look.h"
#include "ui/framework/Seams.h"

namespace morvane::ui {
namespace {

MorvaneForm *lastActive = nullptr;

} // namespace

MorvaneForm::MorvaneForm(QWidget *parent) : QMainWindow(parent) {}

MorvaneForm::~MorvaneForm() {
  if (lastActive == this)
    lastActive = nullptr;
}

MorvaneForm *MorvaneForm::LastActiveForm() { return lastActive; }
void MorvaneForm::ForgetLastActiveForm() { lastActive = nullptr; }

void MorvaneForm::ShowForm() {
  if (!isVisible())
    Guard([this] { FormShow(); });
  // A window shown by another one counts as activated even if the platform
  // reports the activation later (or never, off screen): remember it now so
  // that the platform's activation event does not run the handler twice.
  lastActive = this;
  // Without a window manager a maximised window keeps its stored size: give
  // it the screen's working area first.
  if (!isMaximized() && screen())
    setGeometry(screen()->availableGeometry());
  showMaximized();
  raise();
  activateWindow();
  RunActivate();
}

void MorvaneForm::CloseForm() { hide(); }

void MorvaneForm::RunActivate() {
  lastActive = this;
  Guard([this] { FormActivate(); });
}

bool MorvaneForm::event(QEvent *e) {
  if (e->type() == QEvent::Polish) {
    // The layout is complete: no field shows less than its whole text, no
    // wrapped caption less than its whole text.
    for (QLineEdit *field : findChildren<QLineEdit *>())
      FitFieldToText(field);
    for (QLabel *caption : findChildren<QLabel *>())
      KeepWrappedCaptionWhole(caption);
  }
  if (e->type() == QEvent::WindowActivate) {
    // Activation coming back from one of our own message boxes or dialogs,
    // or from another application, finds this window still recorded as the
    // last active one: nothing to reset then. A window hidden again before
    // the platform reported its activation (a run of one generation shows and
    // hides the progress window at once) is not activated late.
    if (lastActive != this && isVisible())
      RunActivate();
  }
  return QMainWindow::event(e);
}

void MorvaneForm::keyPressEvent(QKeyEvent *e) {
  // Buttons and fields let Enter pass on to their window unless they use it.
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    QWidget *focused = focusWidget();
    if (auto *button = qobject_cast<QAbstractButton *>(focused)) {
      button->click();
      return;
    }
    if (qobject_cast<QLineEdit *>(focused)) {
      focusNextChild();
      return;
    }
  }
  QMainWindow::keyPressEvent(e);
}

void MorvaneForm::OnFieldExit(QLineEdit *field, std::function<void()> handler) {
  exits_.push_back({field, std::move(handler)});
  field->installEventFilter(this);
}

bool MorvaneForm::eventFilter(QObject *watched, QEvent *e) {
  if (e->type() == QEvent::FocusIn && watched == menuBarField_)
    menuBarField_ = nullptr; // the menu bar gave the focus back
  if (e->type() == QEvent::FocusOut && quietFocus_ == 0) {
    const auto reason = static_cast<QFocusEvent *>(e)->reason();
    // Losing activation (message box, dialog, another application), opening
    // a menu or the menu bar taking the keyboard (Alt) leaves the focus where
    // it is as far as the window is concerned: the field is not left.
    const bool leftField = reason != Qt::ActiveWindowFocusReason &&
                           reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason;
    QWidget *next = QApplication::focusWidget();
    const bool sameWindow = next == nullptr || next->window() == this;
    QObject *field = watched;
    if (watched == menuWidget()) {
      // The menu bar gives the focus it took from a field to another
      // control: that field is left now.
      field = leftField ? std::exchange(menuBarField_, nullptr) : nullptr;
      if (field == next)
        field = nullptr;
    } else if (reason == Qt::MenuBarFocusReason && menuWidget()) {
      menuBarField_ = watched;
      menuWidget()->installEventFilter(this);
    }
    if (field && leftField && sameWindow) {
      for (const FieldExit &exit : exits_) {
        if (exit.field == field) {
          // A handler may move the focus itself (a message puts it back):
          // those moves are part of the handler, not new exits.
          ++quietFocus_;
          Guard(exit.handler);
          --quietFocus_;
          break;
        }
      }
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void MorvaneForm::ReturnToFront(QLineEdit *field) {
  ++quietFocus_;
  // The window was the active one before the box opened and is still the
  // one recorded: raising and activating it again resets nothing.
  lastActive = this;
  raise();
  activateWindow();
  if (field)
    field->setFocus(Qt::OtherFocusReason);
  --quietFocus_;
}

void MorvaneForm::ShowFieldMessage(QLineEdit *field, const QString &text) {
  ++refusals_;
  ++quietFocus_;
  Messages().ShowMessage(this, text);
  --quietFocus_;
  ReturnToFront(field);
}

void MorvaneForm::ShowMessage(const QString &text) {
  ++quietFocus_;
  Messages().ShowMessage(this, text);
  --quietFocus_;
  ReturnToFront(nullptr);
}

void MorvaneForm::Guard(const std::function<void()> &handler) {
  try {
    handler();
  } catch (const std::exception &e) {
    ReportError(this, e);
  }
}

bool MorvaneForm::CommitFocusedField() {
  QObject *focused = QApplication::focusWidget();
  if (focused == nullptr || static_cast<QWidget *>(focused)->window() != this)
    return true;
  if (focused == menuWidget() && menuBarField_)
    focused = menuBarField_; // the field is still the one being typed
  for (const FieldExit &exit : exits_) {
    if (exit.field == focused) {
      const int refusedBefore = refusals_;
      ++quietFocus_;
      Guard(exit.handler);
      --quietFocus_;
      return refusals_ == refusedBefore;
    }
  }
  return true;
}

void MorvaneForm::GuardClick(const std::function<void()> &handler) {
  if (CommitFocusedField())
    Guard(handler);
}

void MorvaneForm::OnClick(QAbstractButton *button, std::function<void()> handler) {
  connect(button, &QAbstractButton::clicked, this,
          [this, handler = std::move(handler)] { GuardClick(handler); });
}

void MorvaneForm::OnSelect(QRadioButton *option, std::function<void()> handler) {
  connect(option, &QRadioButton::toggled, this, [this, handler = std::move(handler)](bool on) {
    if (on)
      Guard(handler);
  });
}

void MorvaneForm::OnTrigger(QAction *action, std::function<void()> handler) {
  connect(action, &QAction::triggered, this,
          [this, handler = std::move(handler)] { Guard(handler); });
}

void MorvaneForm::DeselectOption(QRadioButton *option) {
  if (!option->isChecked())
    return;
  const bool exclusive = option->autoExclusive();
  option->setAutoExclusive(false);
  option->setChecked(false);
  option->setAutoExclusive(exclusive);
}

void MorvaneForm::SetBackground(unsigned rgb) {
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor::fromRgb(rgb));
  setPalette(pal);
  setAutoFillBackground(true);
  UseReadableDisabledColours(this);
}

} // namespace morvane::ui
