// The base of every window of the program: a main window built from its
// Designer layout, with the show / activate / field-exit events the windows'
// handlers are written against, and the helpers that run those handlers so
// that an error in one of them is reported instead of ending the program.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <vector>

class QAbstractButton;
class QAction;
class QKeyEvent;
class QLineEdit;
class QRadioButton;

namespace morvane::ui {

// The background colour of the program's windows.
inline constexpr unsigned kAqua = 0x00FFFF;

class MorvaneForm : public QMainWindow {
  Q_OBJECT

public:
  explicit MorvaneForm(QWidget *parent = nullptr);
  ~MorvaneForm() override;

  // Shows the window maximised, raises and activates it. A hidden window
  // runs FormShow first; FormActivate runs every time.
  void ShowForm();
  // Hides the window; it keeps its controls as they are.
  void CloseForm();

  // Help context of the window: 1 for every window but the progress window,
  // which has none (0), so the help key does nothing there.
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int context) { helpContext_ = context; }

  // Runs the exit of this window's edit field that holds the keyboard focus,
  // as leaving it would. A button pressed by its accelerator key takes no
  // focus, so without this the field's text would reach the button's handler
  // unchecked. Returns false when the exit refused the entry (its message
  // was shown and the focus put back in the field).
  bool CommitFocusedField();

  // The window of the program that was last made active by the user or by
  // ShowForm (nullptr before the first one).
  static MorvaneForm *LastActiveForm();
  // Tests: forget which window was active last.
  static void ForgetLastActiveForm();

protected:
  // The window is about to be shown after having been hidden.
  virtual void FormShow() {}
  // The window became the program's active window coming from another of the
  // program's windows, or was shown by ShowForm.
  virtual void FormActivate() {}

  // Runs `handler` when the keyboard focus leaves `field` for another control
  // of this window; not when the window only loses activation.
  void OnFieldExit(QLineEdit *field, std::function<void()> handler);
  // A message about a bad entry: the box, then the window back to the front
  // and the focus back in the field, without another exit or activation.
  void ShowFieldMessage(QLineEdit *field, const QString &text);
  // A message box, then the window back to the front without an activation.
  void ShowMessage(const QString &text);
  // Runs an event handler; an error escaping it is reported in a message box
  // and the program goes on.
  void Guard(const std::function<void()> &handler);

  // A button's handler: the focused field is left first (CommitFocusedField);
  // a refused entry ends the click there, as it does for a mouse click that
  // leaves the field. Then the handler runs through Guard.
  void GuardClick(const std::function<void()> &handler);

  // Connections that run their handler through Guard (buttons: GuardClick).
  void OnClick(QAbstractButton *button, std::function<void()> handler);
  // An option button's handler runs when the option becomes selected, by the
  // user or by code, and only if it was not selected before.
  void OnSelect(QRadioButton *option, std::function<void()> handler);
  void OnTrigger(QAction *action, std::function<void()> handler);

  // Deselects an option even when it belongs to a set of mutually exclusive
  // siblings (which normally refuse to be deselected).
  static void DeselectOption(QRadioButton *option);

  // Paints the window's background in the given colour, with readable
  // disabled controls (UseReadableDisabledColours).
  void SetBackground(unsigned rgb);

  bool event(QEvent *e) override;
  // Enter or keypad Enter: on a button, presses it; in an edit field, leaves
  // it for the next control as Tab does (so its exit runs).
  void keyPressEvent(QKeyEvent *e) override;
  bool eventFilter(QObject *watched, QEvent *e) override;

private:
  void RunActivate();
  void ReturnToFront(QLineEdit *field);

  struct FieldExit {
    QLineEdit *field;
    std::function<void()> handler;
  };
  std::vector<FieldExit> exits_;
  int helpContext_ = 1;
  // The field the menu bar took the focus from (Alt), while it holds it.
  QObject *menuBarField_ = nullptr;
  // Above zero while the window puts itself back together after a message:
  // focus changes made then are not exits.
  int quietFocus_ = 0;
  // Counts the entries refused by a field message, so that a caller can tell
  // whether an exit it ran refused its entry.
  int refusals_ = 0;
};

} // namespace morvane::ui
