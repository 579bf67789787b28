// Test answers for the message box, file dialog and help viewer seams, shared
// by the GUI tests. Each installs itself on construction and puts the
// production seam back on destruction.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QSpinBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <utility>
#include <vector>

#include "ui/figure/ExportDialog.h"
#include "ui/framework/MorvaneForm.h"
#include "ui/framework/Seams.h"
#include "ui/framework/Windows.h"

// Readable failure messages for Qt strings.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList &l, std::ostream *os) {
  *os << "{" << l.join(" | ").toStdString() << "}";
}

namespace morvane::ui::testing {

class RecordingMessages : public MessageBoxSeam {
public:
  RecordingMessages() { SetMessages(this); }
  ~RecordingMessages() override { SetMessages(nullptr); }
  void ShowMessage(QWidget *owner, const QString &text) override {
    texts.push_back(text);
    owners.push_back(owner);
    if (stealActivation) {
      // Behave like a real modal box: take the activation and the focus away
      // from the window while it is open.
      QDialog box;
      box.show();
      QApplication::setActiveWindow(&box);
      box.hide();
    }
    if (onShow)
      onShow();
  }
  // Each question answers with the next queued index; an empty queue
  // answers with the last answer, as Escape does.
  int Ask(QWidget *, const QString &text, const QStringList &answers) override {
    questions.push_back(text);
    if (scriptedAnswers.empty())
      return static_cast<int>(answers.size()) - 1;
    const int answer = scriptedAnswers.front();
    scriptedAnswers.erase(scriptedAnswers.begin());
    return answer;
  }
  QStringList texts;
  QStringList questions;
  std::vector<int> scriptedAnswers;
  // Questions: recorded with the messages, answered from `answers` (No
  // when it is empty).
  bool AskYesNo(QWidget *owner, const QString &text) override {
    questions.push_back(text);
    owners.push_back(owner);
    return !answers.empty() && answers.takeFirst();
  }
  QList<bool> answers;
  std::vector<QWidget *> owners;
  bool stealActivation = false;
  std::function<void()> onShow;
};

// Each call answers with the next queued name; an empty queue or an empty
// entry means "cancelled" and returns the name the dialog held.
class ScriptedFileDialogs : public FileDialogSeam {
public:
  ScriptedFileDialogs() { SetFileDialogs(this); }
  ~ScriptedFileDialogs() override { SetFileDialogs(nullptr); }
  QString OpenFileName(QWidget *, const QString &current, const QString &defaultSuffix,
                       const QString &filterName, const QString &pattern) override {
    opens.push_back({current, defaultSuffix, filterName, pattern});
    return Next(current);
  }
  QString SaveFileName(QWidget *, const QString &current, const QString &defaultSuffix,
                       const QString &filterName, const QString &pattern) override {
    saves.push_back({current, defaultSuffix, filterName, pattern});
    return Next(current);
  }
  // The several-filter dialogs: the next queued name, "" when cancelled.
  QString OpenExistingFileName(QWidget *, const QString &suggested,
                               const QStringList &filters) override {
    opens.push_back({suggested, {}, filters.join(";;"), {}});
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }
  QString SaveFileNameAs(QWidget *, const QString &suggested, const QStringList &filters) override {
    saves.push_back({suggested, {}, filters.join(";;"), {}});
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }
  struct Call {
    QString current, defaultSuffix, filterName, pattern;
  };
  QStringList answers;
  std::vector<Call> opens, saves;

private:
  QString Next(const QString &current) {
    if (answers.isEmpty())
      return current;
    const QString a = answers.takeFirst();
    return a.isEmpty() ? current : a;
  }
};

class RecordingHelp : public HelpViewerSeam {
public:
  RecordingHelp() { SetHelp(this); }
  ~RecordingHelp() override { SetHelp(nullptr); }
  void ShowContents(const QString &file) override { requests << "contents " + file; }
  void ShowTopic(const QString &file, int context) override {
    requests << QString("topic %1 %2").arg(file).arg(context);
  }
  void CloseViewer() override { requests << "close"; }
  QStringList requests;
};

// A stand-in for one of the program's windows that do not exist yet or are
// not under test: it bears the window's object name and takes its place in
// the window record for as long as it lives, and counts its activations.
class StandIn : public MorvaneForm {
public:
  explicit StandIn(const QString &name) : slot_(SlotOf(name)) {
    setObjectName(name);
    previous_ = Windows().*slot_;
    Windows().*slot_ = this;
  }
  ~StandIn() override { Windows().*slot_ = previous_; }
  int activations = 0;

protected:
  void FormActivate() override { ++activations; }

private:
  using Slot = MorvaneForm *AppWindows::*;
  static Slot SlotOf(const QString &name) {
    const std::pair<const char *, Slot> table[] = {
        {"frmMorvane", &AppWindows::frmMorvane},
        {"FrmSexImput", &AppWindows::FrmSexImput},
        {"FrmClonImput", &AppWindows::FrmClonImput},
        {"FrmPlotMenu", &AppWindows::FrmPlotMenu},
        {"FrmPerturb1N", &AppWindows::FrmPerturb1N},
        {"FrmPerturb2N", &AppWindows::FrmPerturb2N},
        {"FrmPerturbClone", &AppWindows::FrmPerturbClone},
        {"FrmPlotSex", &AppWindows::FrmPlotSex},
        {"FrmPlotVeg", &AppWindows::FrmPlotVeg}};
    for (const auto &[n, place] : table)
      if (name == QLatin1String(n))
        return place;
    throw std::invalid_argument("no window slot named " + name.toStdString());
  }
  Slot slot_;
  MorvaneForm *previous_ = nullptr;
};

// The program's window of that object name, or nullptr when there is none:
// tests find windows the way a user reads their names.
inline MorvaneForm *FindForm(const QString &objectName) {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->objectName() == objectName)
      if (auto *form = qobject_cast<MorvaneForm *>(w))
        return form;
  return nullptr;
}

// The export dialog answered from a queue: each answer's settings are set in
// the dialog's fields and OK is pressed (which a refused size leaves without
// effect, the dialog then cancelled); an empty queue or std::nullopt cancels.
// What the dialog opened on, what it said of the fields set and the settings
// it then held are recorded.
class ScriptedExportDialog {
public:
  ScriptedExportDialog() {
    figure::ExportDialog::SetScript([this](figure::ExportDialog &d) {
      opened.push_back(d.Settings());
      if (answers.empty() || !answers.front()) {
        if (!answers.empty())
          answers.erase(answers.begin());
        return false;
      }
      const figure::FigureSettings s = *answers.front();
      answers.erase(answers.begin());
      const auto combo = [&d](const char *name) { return d.findChild<QComboBox *>(name); };
      const auto spin = [&d](const char *name) { return d.findChild<QDoubleSpinBox *>(name); };
      for (int k = 0; k < combo("CmbCharts")->count(); ++k)
        if (d.Choices()[std::size_t(k)].charts == s.charts)
          combo("CmbCharts")->setCurrentIndex(k);
      combo("CmbFormat")->setCurrentIndex(int(s.format));
      combo("CmbUnit")->setCurrentIndex(int(s.unit));
      spin("SpnWidth")->setValue(s.width);
      spin("SpnHeight")->setValue(s.height);
      spin("SpnFont")->setValue(s.fontPt);
      d.findChild<QSpinBox *>("SpnDpi")->setValue(s.dpi);
      d.findChild<QCheckBox *>("ChkCaption")->setChecked(s.caption);
      if (QComboBox *range = combo("CmbRange"); range->isVisibleTo(&d))
        range->setCurrentIndex(s.asShown ? 0 : 1);
      // The dialog checks the fields as they are typed: what it says then,
      // and the settings it would keep.
      problems.push_back(d.Problem());
      kept.push_back(d.Settings());
      return true;
    });
  }
  ~ScriptedExportDialog() { figure::ExportDialog::SetScript({}); }
  std::vector<std::optional<figure::FigureSettings>> answers;
  std::vector<figure::FigureSettings> opened;
  QStringList problems;
  std::vector<figure::FigureSettings> kept;
};

// The Alt+letters that more than one of the controls a window shows
// together answer (buttons, labels of a field, menus), each with the texts
// that use it; none in a window whose keys all lead somewhere.
inline std::map<QChar, QStringList> MnemonicsUsedTwice(QWidget *window) {
  std::map<QChar, QStringList> uses;
  const auto record = [&uses](const QString &text) {
    for (qsizetype k = text.indexOf('&'); k >= 0 && k + 1 < text.size();
         k = text.indexOf('&', k + 2))
      if (text[k + 1] != '&')
        uses[text[k + 1].toLower()] << text;
  };
  for (QWidget *w : window->findChildren<QWidget *>()) {
    if (!w->isVisibleTo(window))
      continue;
    if (auto *button = qobject_cast<QAbstractButton *>(w))
      record(button->text());
    else if (auto *label = qobject_cast<QLabel *>(w); label && label->buddy())
      record(label->text());
    else if (auto *bar = qobject_cast<QMenuBar *>(w))
      for (QAction *action : bar->actions())
        record(action->text());
  }
  for (auto it = uses.begin(); it != uses.end();)
    it = it->second.size() > 1 ? std::next(it) : uses.erase(it);
  return uses;
}

// The program's settings (QSettings) kept in a scratch folder for the time
// of a test.
class ScratchSettings {
public:
  ScratchSettings() {
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
      QSettings::setPath(format, QSettings::UserScope, dir_.path());
  }

private:
  QTemporaryDir dir_;
};

} // namespace morvane::ui::testing
