// Shared set-up of the input-window tests: a scratch current folder (the
// Plot files have fixed names there), the locale under test, recorded message
// boxes and help requests, and a run display that records what a run shows.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <clocale>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSeams.h"
#include "engine/RunLoop.h"
#include "engine/Series.h"
#include "files/NumberFormat.h"
#include "state/SimState.h"
#include "support/ScratchFolder.h"
#include "ui/Startup.h"
#include "ui/UMorvane1.h"
#include "ui/framework/MorvaneForm.h"
#include "ui/framework/Windows.h"

namespace morvane::ui::testing {

class RecordingRunDisplay : public RunDisplay {
public:
  void ShowProgress() override { ++shown; }
  void DisplayProgress(std::uint32_t, double, double) override { ++displayed; }
  void ProcessPendingEvents() override {}
  void HideProgress() override { ++hidden; }
  void HandOver(Model model) override { handedOver.push_back(model); }
  int shown = 0;
  int displayed = 0;
  int hidden = 0;
  std::vector<Model> handedOver;
};

// For as long as it lives the current folder is a fresh scratch folder (the
// Plot files have fixed names there), and the state and the program's record
// of the last active window start empty.
class ScratchCurrentFolder {
public:
  ScratchCurrentFolder() {
    QDir::setCurrent(QString::fromStdString(dir_.Path()));
    Sim() = SimState{};
    MorvaneForm::ForgetLastActiveForm();
  }
  ~ScratchCurrentFolder() {
    QApplication::setActiveWindow(nullptr);
    QDir::setCurrent(previous_);
  }
  QString File(const QString &name) const {
    return QString::fromStdString(dir_.File(name.toStdString()));
  }

private:
  QString previous_ = QDir::currentPath();
  morvane::testing::ScratchFolder dir_;
};

inline std::string ReadAll(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly))
    return "<missing " + path.toStdString() + ">";
  return f.readAll().toStdString();
}

// An SVG without its description, which records the command that drew it:
// the same drawing made by two commands compares equal.
inline std::string WithoutRecord(std::string svg) {
  const std::size_t start = svg.find("<desc>"), end = svg.find("</desc>");
  if (start != std::string::npos && end != std::string::npos)
    svg.erase(start, end + 7 - start);
  return svg;
}

inline void WriteAll(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

// What a user does with the controls of a window.
// The platform makes the window active (after ShowForm, or a click).
inline void Activate(QWidget *w) {
  QApplication::setActiveWindow(w);
  QCoreApplication::processEvents();
}
inline QLineEdit *Field(QWidget *w, const char *name) {
  auto *f = w->findChild<QLineEdit *>(name);
  EXPECT_NE(f, nullptr) << name;
  return f;
}
inline QPushButton *Button(QWidget *w, const char *name) {
  auto *b = w->findChild<QPushButton *>(name);
  EXPECT_NE(b, nullptr) << name;
  return b;
}
// The user types `text` into the field and leaves it with Tab.
inline void Leave(QLineEdit *field, const QString &text) {
  field->setFocus(Qt::OtherFocusReason);
  field->setText(text);
  QTest::keyClick(field, Qt::Key_Tab);
  QCoreApplication::processEvents();
}
// The user types without leaving the field.
inline void Type(QLineEdit *field, const QString &text) {
  field->setFocus(Qt::OtherFocusReason);
  field->setText(text);
}
// A text that no exit has seen, in a field that does not hold the focus:
// what a button that reads the fields must still cope with.
inline void PutUncheckedText(QLineEdit *field, const QString &text) {
  EXPECT_FALSE(field->hasFocus());
  field->setText(text);
}

// A field and a text typed into it, written with '.'.
struct Entry {
  const char *field;
  const char *text;
};

// Whether each of the space-separated controls `names` is enabled.
inline void ExpectEnabled(QWidget *w, const QString &names, bool enabled) {
  for (const QString &name : names.split(' ', Qt::SkipEmptyParts)) {
    auto *c = w->findChild<QWidget *>(name);
    ASSERT_NE(c, nullptr) << qPrintable(name);
    EXPECT_EQ(c->isEnabled(), enabled) << qPrintable(name);
  }
}

// The decimal separator of a test's parameter: the parameter itself, or its
// `separator` member.
inline char SeparatorOf(char separator) { return separator; }
template <class P> char SeparatorOf(const P &param) { return param.separator; }

// Parameter: the decimal separator of the user's locale, '.' or ',' (alone,
// or in a parameter with a `separator` member).
template <class P> class LocaleWindowTest : public ::testing::TestWithParam<P> {
protected:
  void SetUp() override {
    QLocale::setDefault(Separator() == ',' ? QLocale(QLocale::French, QLocale::France)
                                           : QLocale(QLocale::English, QLocale::UnitedStates));
    // The program takes the C library's locale from the user's, as a French
    // desktop sets it: nothing may read or write numbers through it.
    ASSERT_NE(std::setlocale(LC_NUMERIC, Separator() == ',' ? "fr_FR.UTF-8" : "C"), nullptr);
    // The main window has chosen the files.
    Sim().BindFinalFile("series.mrv");
    Sim().BindDetailFile("series.gnr");
    WriteAll("series.gnr", "");
  }
  void TearDown() override {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    std::setlocale(LC_NUMERIC, "C");
  }

  char Separator() const { return SeparatorOf(this->GetParam()); }
  // A number text written with '.' in the locale under test.
  QString L(QString text) const {
    text.replace('.', QChar(Separator()));
    return text;
  }
  // The DG range text for bounds written with '.'.
  QString Range(const char *lo, const char *hi) const { return "[" + L(lo) + ".." + L(hi) + "]"; }
  // Each "field=text" of `entries` (texts written with '.') typed and left.
  void LeaveAll(QWidget *w, const QString &entries) const {
    for (const QString &e : entries.split(' ', Qt::SkipEmptyParts))
      Leave(Field(w, qPrintable(e.section('=', 0, 0))), L(e.section('=', 1)));
  }
  // Each "field=text" of `shown` (texts written with '.') is what the field
  // shows.
  void ExpectShown(QWidget *w, const QString &shown) const {
    for (const QString &e : shown.split(' ', Qt::SkipEmptyParts)) {
      QString text = e.section('=', 1);
      text.replace(QRegularExpression("(\\d)\\.(\\d)"), QString("\\1") + Separator() + "\\2");
      EXPECT_EQ(Field(w, qPrintable(e.section('=', 0, 0)))->text(), text) << qPrintable(e);
    }
  }
  ScratchCurrentFolder folder;
  RecordingMessages messages;
  RecordingHelp help;
  RecordingRunDisplay display;
};
using InputWindowTest = LocaleWindowTest<char>;

// A test inside the whole program: the windows as start-up creates them and
// the main window shown, with a program end that only counts.
class ProgramTest : public InputWindowTest {
protected:
  void SetUp() override {
    InputWindowTest::SetUp();
    TfrmMorvane::SetQuitProgram([this] { ++quits; });
    windows = std::make_unique<ProgramWindows>();
    main = FindForm("frmMorvane");
    ASSERT_NE(main, nullptr);
    main->ShowForm();
    Activate(main);
  }
  void TearDown() override {
    windows.reset();
    TfrmMorvane::SetQuitProgram(nullptr);
    EXPECT_EQ(quits, 0);
    InputWindowTest::TearDown();
  }
  // The main window: both files chosen, the model's option, Go; returns the
  // window Go opened, made active.
  MorvaneForm *Launch(const char *option, const char *detail, const char *opened) {
    dialogs.answers << "series.mrv";
    Button(main, "BtnChooseFin")->click();
    dialogs.answers << detail;
    // A Detail file kept from an earlier series is emptied: the user agrees.
    messages.scriptedAnswers = {0};
    Button(main, "BtnDetail")->click();
    messages.scriptedAnswers.clear();
    auto *choice = main->findChild<QRadioButton *>(option);
    if (!choice) {
      ADD_FAILURE() << "no option " << option;
      return nullptr;
    }
    choice->setChecked(true);
    Button(main, "BtnLaunch")->click();
    MorvaneForm *window = FindForm(opened);
    EXPECT_TRUE(window && window->isVisible()) << opened;
    if (window)
      Activate(window);
    return window;
  }

  ScriptedFileDialogs dialogs;
  std::unique_ptr<ProgramWindows> windows;
  MorvaneForm *main = nullptr;
  int quits = 0;
};

// The core's own series for the values in `e`, with the files the window
// chose, into expected.gnr and expected.plo.
inline void RunCoreSeries(SimState &e, const std::string &detailName, bool clonal) {
  e.FinalFileName = "series.mrv";
  e.DetailFileName = detailName;
  e.PlotFileName = clonal ? "PlotCloneFile.plo" : "PlotSexFile.plo";
  e.DetailFile.Name = "expected.gnr";
  e.PlotFile.Name = "expected.plo";
  WriteAll("expected.gnr", "");
  WriteAll("expected.plo", "");
  RecordingRunDisplay core;
  if (clonal)
    StartClonalSeries(e, core);
  else
    ASSERT_TRUE(StartSexualSeries(e, core).has_value());
}

inline std::string LocaleName(char separator) {
  return separator == ',' ? "CommaLocale" : "PointLocale";
}
inline std::string SeparatorName(const ::testing::TestParamInfo<char> &info) {
  return LocaleName(info.param);
}

// The input window's field of a value named as morvane-run's option.
inline const char *InputField(const std::string &option) {
  static const std::map<std::string, const char *> fields = {
      {"x", "TxtSoftProp"},   {"d", "TxtMigSurv"}, {"c", "TxtHabFreq"},  {"p", "TxtFreqA"},
      {"q", "TxtBFreq"},      {"i", "Txti"},       {"j", "Txtj"},        {"DG", "TxtDG"},
      {"L", "TxtL"},          {"W1A", "TxtW1A"},   {"W1a", "TxtSmalla"}, {"W2A", "TxtW2A"},
      {"W2a", "TxtW2Smalla"}, {"fAB", "TxtAB"},    {"fAb", "TxtAsb"},    {"faB", "TxtsaB"},
      {"fab", "Txtsasb"}};
  return fields.at(option);
}

// Drawn at its own width, a field looks like the left part of the same field
// drawn wide enough for any text: it shows its whole text.
inline bool ShowsWholeText(QLineEdit *field) {
  QLineEdit wide(field->text());
  wide.setFont(field->font());
  // Every colour the field draws with, whether its own or its window's.
  QPalette colours;
  for (int group = 0; group < QPalette::NColorGroups; ++group)
    for (int role = 0; role < QPalette::NColorRoles; ++role)
      colours.setBrush(
          QPalette::ColorGroup(group), QPalette::ColorRole(role),
          field->palette().brush(QPalette::ColorGroup(group), QPalette::ColorRole(role)));
  wide.setPalette(colours);
  wide.setEnabled(field->isEnabled());
  wide.setReadOnly(field->isReadOnly());
  wide.setAlignment(field->alignment());
  wide.resize(field->width() + 1000, field->height());
  const QImage own = field->grab().toImage();
  const QImage whole = wide.grab().toImage();
  // Inside the frame, up to its right edge, where the two differ anyway.
  for (int y = 3; y < own.height() - 3; ++y)
    for (int x = 3; x < own.width() - 4; ++x)
      if (own.pixel(x, y) != whole.pixel(x, y))
        return false;
  return true;
}

// The window, at its least size and on 1024x768 and 1280x1024 screens (less
// the title bar), fits the screen, each of its fields shows its whole text
// inside the window, and each caption all its lines.
inline void ExpectWholeTextsOnSmallScreens(MorvaneForm *form) {
  for (const QSize &size : {QSize(0, 0), QSize(1024, 740), QSize(1280, 1000)}) {
    form->setWindowState(Qt::WindowNoState);
    QApplication::processEvents(); // the layout takes in the texts first
    form->resize(size);
    QApplication::processEvents();
    const std::string at = form->objectName().toStdString() + " at " +
                           std::to_string(form->width()) + "x" + std::to_string(form->height());
    EXPECT_LE(form->width(), std::max(size.width(), 1024)) << at;
    EXPECT_LE(form->height(), std::max(size.height(), 740)) << at;
    ASSERT_FALSE(form->grab().isNull());
    for (QLineEdit *field : form->findChildren<QLineEdit *>()) {
      if (!field->isVisibleTo(form))
        continue; // the fields of another model
      const std::string where = at + ": " + field->objectName().toStdString() + " \"" +
                                field->text().toStdString() + "\"";
      EXPECT_TRUE(form->rect().contains(QRect(field->mapTo(form, QPoint()), field->size())))
          << where;
      EXPECT_TRUE(ShowsWholeText(field)) << where;
    }
    // A caption that wraps has the height of all its lines.
    for (QLabel *caption : form->findChildren<QLabel *>())
      if (caption->wordWrap() && caption->isVisibleTo(form)) {
        EXPECT_GE(caption->height(), caption->heightForWidth(caption->width()))
            << at << ": " << caption->objectName().toStdString();
      }
  }
}

} // namespace morvane::ui::testing
