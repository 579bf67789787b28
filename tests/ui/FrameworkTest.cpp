// The window framework: show and activation events, field exits, option
// buttons, the error handler, the seams and the numbers of the windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <csignal>
#include <functional>
#include <stdexcept>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "UiTestSeams.h"
#include "files/TextFile.h"
#include "ui/framework/ErrorHandler.h"
#include "ui/framework/FileDialogs.h"
#include "ui/framework/Locale.h"
#include "ui/framework/MorvaneForm.h"

using namespace morvane::ui;
using morvane::ui::testing::RecordingMessages;

namespace {

// A window with two fields, a button and three options, recording every
// event the framework hands to it.
class ProbeForm : public MorvaneForm {
public:
  explicit ProbeForm(const QString &name) {
    setObjectName(name);
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    first = new QLineEdit("0.5", central);
    second = new QLineEdit("1", central);
    button = new QPushButton("&Go", central);
    for (QRadioButton *&o : options) {
      o = new QRadioButton("option", central);
      layout->addWidget(o);
    }
    layout->addWidget(first);
    layout->addWidget(second);
    layout->addWidget(button);
    setCentralWidget(central);
    help = menuBar()->addMenu("&Help");
    help->addAction("Contents");
    OnFieldExit(first, [this] {
      log << "exit first";
      if (first->text() == "bad") {
        first->setText("1");
        ShowFieldMessage(first, "x out of Range");
      }
    });
    OnFieldExit(second, [this] { log << "exit second"; });
    OnClick(button, [this] {
      log << "click";
      if (throwOnClick)
        throw morvane::FileError(ENOENT);
    });
    for (int k = 0; k < 3; ++k)
      OnSelect(options[k], [this, k] { log << QString("option %1").arg(k); });
  }
  using MorvaneForm::DeselectOption;
  using MorvaneForm::ShowMessage;

  QLineEdit *first;
  QLineEdit *second;
  QPushButton *button;
  QMenu *help;
  QRadioButton *options[3];
  QStringList log;
  bool throwOnClick = false;

protected:
  void FormShow() override { log << "show"; }
  void FormActivate() override { log << "activate"; }
};

class FrameworkTest : public ::testing::Test {
protected:
  void SetUp() override {
    MorvaneForm::ForgetLastActiveForm();
    a = std::make_unique<ProbeForm>("A");
    b = std::make_unique<ProbeForm>("B");
  }
  void TearDown() override {
    QApplication::setActiveWindow(nullptr);
    a.reset();
    b.reset();
  }
  // The platform makes a window active (the user clicked it, or the window
  // manager gave it back).
  static void Activate(QWidget *w) {
    QApplication::setActiveWindow(w);
    QCoreApplication::processEvents();
  }
  std::unique_ptr<ProbeForm> a, b;
};

TEST_F(FrameworkTest, ShowRunsBeforeActivateAndOnlyWhenHidden) {
  a->ShowForm();
  EXPECT_EQ(a->log, QStringList({"show", "activate"}));
  EXPECT_TRUE(a->isVisible());
  EXPECT_TRUE(a->isMaximized());
  a->log.clear();
  // Shown again while visible (another window brings it back): activation only.
  a->ShowForm();
  EXPECT_EQ(a->log, QStringList({"activate"}));
  a->log.clear();
  a->CloseForm();
  EXPECT_FALSE(a->isVisible());
  a->ShowForm();
  EXPECT_EQ(a->log, QStringList({"show", "activate"}));
}

TEST_F(FrameworkTest, ActivationFromAnotherProgramWindowRunsTheHandler) {
  a->ShowForm();
  Activate(a.get());
  b->ShowForm();
  Activate(b.get());
  a->log.clear();
  b->log.clear();
  // The user clicks window A, then B again.
  Activate(a.get());
  EXPECT_EQ(a->log, QStringList({"activate"}));
  Activate(b.get());
  EXPECT_EQ(b->log, QStringList({"activate"}));
  // The platform's late activation event after ShowForm runs nothing more.
  a->log.clear();
  a->ShowForm();
  Activate(a.get());
  EXPECT_EQ(a->log, QStringList({"activate"}));
}

// A window shown and hidden again before the platform reported its
// activation (a run of one generation shows and hides the progress window at
// once) is not activated late, and so the window shown after it is not
// activated a second time either.
TEST_F(FrameworkTest, LateActivationOfAWindowHiddenMeanwhileRunsNothing) {
  a->ShowForm();
  Activate(a.get());
  b->ShowForm();
  b->CloseForm();
  a->ShowForm();
  a->log.clear();
  b->log.clear();
  Activate(b.get()); // the platform's late report for B
  Activate(a.get()); // then the one for A
  EXPECT_TRUE(b->log.isEmpty()) << b->log.join(", ").toStdString();
  EXPECT_TRUE(a->log.isEmpty()) << a->log.join(", ").toStdString();
}

TEST_F(FrameworkTest, ComingBackFromAnotherApplicationOrOwnDialogIsNoActivation) {
  a->ShowForm();
  Activate(a.get());
  a->log.clear();
  // Another application takes the activation and gives it back.
  Activate(nullptr);
  Activate(a.get());
  // One of the window's own message boxes does the same.
  RecordingMessages messages;
  messages.stealActivation = true;
  a->ShowMessage("Hello");
  Activate(a.get());
  EXPECT_EQ(messages.texts, QStringList({"Hello"}));
  EXPECT_TRUE(a->log.isEmpty()) << a->log.join(", ").toStdString();
}

TEST_F(FrameworkTest, FieldExitRunsWhenFocusMovesWithinTheWindow) {
  a->ShowForm();
  Activate(a.get());
  a->first->setFocus();
  a->log.clear();
  QTest::keyClick(a->first, Qt::Key_Tab);
  EXPECT_TRUE(a->second->hasFocus());
  QTest::keyClick(a->second, Qt::Key_Backtab);
  EXPECT_TRUE(a->first->hasFocus());
  // Focus set by code, then a click into the other field.
  a->second->setFocus(Qt::OtherFocusReason);
  QTest::mouseClick(a->first, Qt::LeftButton);
  EXPECT_TRUE(a->first->hasFocus());
  EXPECT_EQ(a->log, QStringList({"exit first", "exit second", "exit first", "exit second"}));
}

TEST_F(FrameworkTest, FieldExitDoesNotRunOnDeactivationOrMenu) {
  a->ShowForm();
  Activate(a.get());
  a->first->setFocus();
  a->log.clear();
  // Another application, then one of the program's other windows, take the
  // focus from the field.
  Activate(nullptr);
  EXPECT_FALSE(a->first->hasFocus());
  Activate(a.get());
  EXPECT_TRUE(a->first->hasFocus());
  Activate(b.get());
  EXPECT_FALSE(a->first->hasFocus());
  EXPECT_TRUE(a->log.isEmpty()) << ::testing::PrintToString(a->log);

  // A menu opening takes the focus for a moment, and so does the menu bar
  // taken with the keyboard (Alt, Alt+H, each left with Escape).
  a->ShowForm();
  Activate(a.get());
  a->first->setFocus();
  a->log.clear();
  QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
  QCoreApplication::sendEvent(a->first, &popup);
  QTest::keyClick(a->first, Qt::Key_Alt);
  EXPECT_EQ(QApplication::focusWidget(), a->menuBar());
  QTest::keyClick(a->menuBar(), Qt::Key_Escape);
  EXPECT_TRUE(a->first->hasFocus());
  QTest::keyClick(a->first, Qt::Key_H, Qt::AltModifier);
  ASSERT_EQ(QApplication::activePopupWidget(), a->help);
  QTest::keyClick(a->help, Qt::Key_Escape);
  EXPECT_TRUE(a->log.isEmpty()) << ::testing::PrintToString(a->log);
  // Leaving the menu bar for another control, or pressing a button by its
  // accelerator from there, leaves the field.
  EXPECT_EQ(QApplication::focusWidget(), a->menuBar());
  QTest::mouseClick(a->second, Qt::LeftButton);
  EXPECT_EQ(a->log, QStringList({"exit first"}));
  QTest::keyClick(a->second, Qt::Key_Alt);
  EXPECT_EQ(QApplication::focusWidget(), a->menuBar());
  a->button->click();
  EXPECT_EQ(a->log, QStringList({"exit first", "exit second", "click"}));
}

TEST_F(FrameworkTest, BadEntryMessageReturnsFocusWithoutFurtherEvents) {
  RecordingMessages messages;
  messages.stealActivation = true;
  a->ShowForm();
  Activate(a.get());
  a->first->setFocus();
  a->first->setText("bad");
  a->log.clear();
  QTest::keyClick(a->first, Qt::Key_Tab);
  QCoreApplication::processEvents();
  EXPECT_EQ(messages.texts, QStringList({"x out of Range"}));
  EXPECT_EQ(messages.owners.front(), a.get());
  EXPECT_EQ(a->first->text(), "1");
  EXPECT_TRUE(a->first->hasFocus());
  EXPECT_EQ(QApplication::activeWindow(), a.get());
  // One exit, no exit of the second field, no activation.
  EXPECT_EQ(a->log, QStringList({"exit first"}));
  // The next exit is an ordinary one again.
  QTest::keyClick(a->first, Qt::Key_Tab);
  EXPECT_EQ(a->log, QStringList({"exit first", "exit first"}));
}

// Enter or keypad Enter presses the focused button or option, and leaves the
// focused field for the next control as Tab does, running its exit.
TEST_F(FrameworkTest, EnterPressesAButtonAndLeavesAField) {
  a->ShowForm();
  Activate(a.get());
  a->log.clear();
  const std::pair<Qt::Key, Qt::KeyboardModifier> enters[] = {{Qt::Key_Return, Qt::NoModifier},
                                                             {Qt::Key_Enter, Qt::KeypadModifier}};
  for (const auto &[key, modifier] : enters) {
    a->first->setFocus();
    QTest::keyClick(a->first, key, modifier);
    EXPECT_TRUE(a->second->hasFocus());
    a->button->setFocus();
    QTest::keyClick(a->button, key, modifier);
  }
  a->options[1]->setFocus();
  QTest::keyClick(a->options[1], Qt::Key_Return);
  EXPECT_TRUE(a->options[1]->isChecked());
  EXPECT_EQ(a->log, QStringList({"exit first", "exit second", "click", "exit first", "exit second",
                                 "click", "option 1"}));
}

TEST_F(FrameworkTest, OptionHandlerRunsOnlyWhenNewlySelected) {
  a->options[0]->setChecked(true);
  a->options[0]->setChecked(true);
  a->options[2]->setChecked(true);
  EXPECT_FALSE(a->options[0]->isChecked());
  // Deselecting from code works for exclusive siblings and runs nothing.
  ProbeForm::DeselectOption(a->options[2]);
  EXPECT_FALSE(a->options[2]->isChecked());
  a->options[2]->setChecked(true);
  EXPECT_EQ(a->log, QStringList({"option 0", "option 2", "option 2"}));
  // A click by the user on the selected option changes nothing.
  a->ShowForm();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(a.get()));
  a->button->setFocus();
  a->log.clear();
  // Clicks on the option's mark (the button reacts to its mark and caption).
  const QPoint mark(6, a->options[2]->height() / 2);
  QTest::mouseClick(a->options[2], Qt::LeftButton, {}, mark);
  EXPECT_TRUE(a->options[2]->isChecked());
  EXPECT_TRUE(a->log.isEmpty()) << ::testing::PrintToString(a->log);
  QTest::mouseClick(a->options[1], Qt::LeftButton, {}, mark);
  EXPECT_EQ(a->log, QStringList({"option 1"}));
}

TEST_F(FrameworkTest, ErrorInHandlerIsReportedAndTheProgramGoesOn) {
  RecordingMessages messages;
  a->throwOnClick = true;
  a->button->click();
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_EQ(messages.texts[0], QString::fromStdString(morvane::IoErrorMessage(ENOENT)));
  // The window still works.
  a->throwOnClick = false;
  a->button->click();
  EXPECT_EQ(a->log, QStringList({"click", "click"}));
  EXPECT_EQ(messages.texts.size(), 1);
}

// An object whose event handler throws, as a handler that forgot Guard would.
class Thrower : public QObject {
public:
  bool event(QEvent *e) override {
    if (e->type() == QEvent::User)
      throw ParseError("abc");
    return QObject::event(e);
  }
};

TEST_F(FrameworkTest, ApplicationCatchesWhatEscapesAHandler) {
  RecordingMessages messages;
  Thrower thrower;
  QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
  QCoreApplication::processEvents();
  EXPECT_EQ(messages.texts, QStringList({"'abc' is not a valid number"}));
  // And the event loop keeps going.
  bool ran = false;
  QMetaObject::invokeMethod(
      &thrower, [&] { ran = true; }, Qt::QueuedConnection);
  QCoreApplication::processEvents();
  EXPECT_TRUE(ran);
}

TEST(SeamsTest, TestSeamsReplaceAndRestoreProduction) {
  MessageBoxSeam *production = &Messages();
  FileDialogSeam *dialogs = &FileDialogs();
  {
    RecordingMessages messages;
    morvane::ui::testing::ScriptedFileDialogs files;
    EXPECT_EQ(&Messages(), &messages);
    EXPECT_EQ(&FileDialogs(), &files);
    // A cancelled dialog hands back the name it held.
    EXPECT_EQ(FileDialogs().OpenFileName(nullptr, "old.mrv", "mrv", "mrv", "*.mrv"), "old.mrv");
  }
  EXPECT_EQ(&Messages(), production);
  EXPECT_EQ(&FileDialogs(), dialogs);
}

// Ends the process with a failure when it is not destroyed within `seconds`:
// a test of something that may hang fails instead of waiting for ever.
struct Watchdog {
  explicit Watchdog(unsigned seconds) {
    std::signal(SIGALRM, [](int) {
      const char message[] = "Still waiting: the dialog hangs\n";
      [[maybe_unused]] const ssize_t n = ::write(2, message, sizeof message - 1);
      std::_Exit(1);
    });
    ::alarm(seconds);
  }
  ~Watchdog() { ::alarm(0); }
};

// Opens the program's file dialog on `current` and closes it once each of
// `files` is listed with its type; false when they were not all listed
// within ten seconds.
bool ListedByTheFileDialog(const QString &current, const QStringList &files) {
  bool listed = false;
  QElapsedTimer clock;
  clock.start();
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
    auto *model = dialog ? dialog->findChild<QFileSystemModel *>() : nullptr;
    if (!model)
      return;
    // Files the filter (*.mrv) leaves out are listed too, greyed.
    model->setNameFilterDisables(true);
    listed = std::all_of(files.begin(), files.end(), [model](const QString &file) {
      return !model->type(model->index(file)).isEmpty();
    });
    if (listed || clock.elapsed() > 10000)
      dialog->reject();
  });
  poll.start(20);
  EXPECT_EQ(FileDialogs().OpenFileName(nullptr, current, "mrv", "mrv", "*.mrv"), current);
  return listed;
}

// The file dialogs tell files apart by their names: they never open the files
// they list, so a pipe or /proc/kmsg (whose reads wait for ever) shown in the
// folder cannot hang them.
TEST(FileDialogSeam, ListsAFolderWithoutReadingItsFiles) {
  Watchdog watchdog(45);
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const char *name : {"data", "notes.mrv"}) {
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Morvane\n");
  }
  ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);
  const int watch = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(watch, 0);
  ASSERT_GE(
      inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(), IN_OPEN | IN_ACCESS), 0);

  EXPECT_TRUE(ListedByTheFileDialog(dir.filePath("series.mrv"),
                                    {dir.filePath("data"), dir.filePath("notes.mrv")}));
  QStringList opened;
  alignas(inotify_event) char events[4096];
  const ssize_t size = read(watch, events, sizeof events);
  for (ssize_t at = 0; at < size;) {
    const auto *event = reinterpret_cast<const inotify_event *>(events + at);
    if (event->len > 0)
      opened << QString::fromUtf8(event->name);
    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
  }
  close(watch);
  EXPECT_TRUE(opened.isEmpty()) << opened.join(", ").toStdString();

  // /proc, as a user reaches it by typing its name.
  QStringList procFiles = {"/proc/version"};
  if (QFileInfo("/proc/kmsg").isFile())
    procFiles << "/proc/kmsg";
  EXPECT_TRUE(ListedByTheFileDialog("/proc/series.mrv", procFiles));
}

// Each kind of file dialog opens, without a name in force, in the folder
// where the last dialog of its kind went, in this session or before: a figure
// saved elsewhere does not send the next Final or Detail file there.
TEST(FileDialogSeam, EachKindOfFileRemembersItsOwnFolder) {
  QTemporaryDir figures, finals;
  const QString here = QDir::currentPath();
  const QStringList pictures = {QStringLiteral("PNG picture (*.png)")};
  FileDialogSeam &dialogs = ProgramFileDialogs();
  struct Step {
    std::function<QString()> open;
    QString shown, answer; // the folder the dialog opens in, the file chosen
  };
  const auto figure = [&] { return dialogs.SaveFileNameAs(nullptr, QString(), pictures); };
  const auto final = [&] {
    return dialogs.OpenFileName(nullptr, QString(), "mrv", "mrv", "*.mrv");
  };
  const auto detail = [&] {
    return dialogs.SaveFileName(nullptr, QString(), "gnr", "gnr", "*.gnr");
  };
  // Each kind sent to its folder (wherever it opened), then opened again.
  const Step steps[] = {
      {figure, QString(), figures.filePath("a.png")},
      {final, QString(), finals.filePath("Final.mrv")},
      {detail, QString(), here + "/d.gnr"},
      {figure, figures.path(), figures.filePath("b.png")},
      {final, finals.path(), finals.filePath("Final.mrv")},
      {detail, here, here + "/e.gnr"},
  };
  for (const Step &step : steps) {
    QString shown;
    QTimer::singleShot(0, [&] {
      auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      shown = dialog->directory().absolutePath();
      dialog->selectFile(step.answer);
      QMetaObject::invokeMethod(dialog, "accept");
    });
    EXPECT_EQ(step.open(), step.answer);
    if (!step.shown.isEmpty()) {
      EXPECT_EQ(shown, QDir(step.shown).absolutePath()) << step.answer.toStdString();
    }
  }
  // Each kind's folder is kept for later sessions too.
  for (const auto &[kind, folder] : {std::pair{"png", figures.path()}, {"mrv", finals.path()}})
    EXPECT_EQ(RememberedFolder(kind), QDir(folder).absolutePath()) << kind;
}

class LocaleTest : public ::testing::Test {
protected:
  void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

// The separator of the user's locale is written; the point is read in every
// locale, the comma only where it is the separator.
TEST_F(LocaleTest, NumbersUseTheSeparatorOfTheLocale) {
  for (const QLocale &locale : {QLocale(QLocale::French, QLocale::France),
                                QLocale(QLocale::English, QLocale::UnitedStates)}) {
    QLocale::setDefault(locale);
    const bool comma = locale.language() == QLocale::French;
    const auto T = [comma](QString text) { return comma ? text.replace('.', ',') : text; };
    EXPECT_EQ(DecimalSeparator(), comma ? ',' : '.');
    EXPECT_EQ(RealText(0.5), T("0.5"));
    EXPECT_EQ(RealText(-0.25), T("-0.25"));
    EXPECT_EQ(RealText(1e-6), "1E-6");
    EXPECT_EQ(ParseReal("0.5"), 0.5);
    EXPECT_EQ(ParseReal("0,5"), comma ? std::optional<double>(0.5) : std::nullopt);
    EXPECT_EQ(ParseReal(T("-1.5E-3")), -0.0015);
    QLineEdit field("0.000001");
    LocaliseNumericText(&field);
    EXPECT_EQ(field.text(), T("0.000001"));
  }
}

TEST_F(LocaleTest, ReadersThrowOnTextsThatAreNoNumbers) {
  EXPECT_EQ(ReadReal("0.25"), 0.25);
  EXPECT_EQ(ReadCount("12"), 12);
  EXPECT_EQ(ReadCount("-3"), -3);
  for (const char *bad : {"abc", "", "1.5.", "nan"}) {
    try {
      ReadReal(bad);
      ADD_FAILURE() << bad << " was read";
    } catch (const ParseError &e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid number");
    }
  }
  // A count is read as every field reads it: truncated toward zero.
  EXPECT_EQ(ReadCount(" 2.7 "), 2);
  EXPECT_THROW(ReadCount("x"), ParseError);
  EXPECT_THROW(ReadCount(""), ParseError);
}

} // namespace
