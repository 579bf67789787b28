// Help requests, the help viewer and the shipped help file, the About text,
// and the decorative pictures.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>

#include "UiTestSeams.h"
#include "ui/UMorvane1.h"
#include "ui/framework/Help.h"
#include "ui/framework/Pictures.h"
#include "ui/series/UTShowStop.h"

using namespace morvane::ui;
using namespace morvane::ui::testing;

namespace {

class HelpTest : public ::testing::Test {
protected:
  void SetUp() override {
    ForgetHelpFileName();
    MorvaneForm::ForgetLastActiveForm();
  }
  void TearDown() override { ForgetHelpFileName(); }
  RecordingHelp help;
  RecordingMessages messages;
};

TEST_F(HelpTest, HelpKeyWorksOnlyAfterAHelpMenuItemWasUsed) {
  TfrmMorvane main;
  TFrmShowT progress;
  main.ShowForm();
  QTest::keyClick(&main, Qt::Key_F1);
  EXPECT_TRUE(help.requests.isEmpty());
  EXPECT_TRUE(HelpFileName().isEmpty());

  auto *item = main.findChild<QAction *>("Usersguide1");
  ASSERT_NE(item, nullptr);
  item->trigger();
  item->trigger();
  EXPECT_EQ(help.requests, QStringList({"contents HelpMorvane.hlp", "contents HelpMorvane.hlp"}));
  EXPECT_EQ(HelpFileName(), "HelpMorvane.hlp");

  QTest::keyClick(main.findChild<QWidget *>("BtnChooseFin"), Qt::Key_F1);
  EXPECT_EQ(help.requests.last(), "topic HelpMorvane.hlp 1");
  // The progress window has no help context.
  const int before = help.requests.size();
  QTest::keyClick(&progress, Qt::Key_F1);
  EXPECT_EQ(help.requests.size(), before);
  EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(HelpTest, AboutBoxShowsTheAboutText) {
  TfrmMorvane main;
  main.findChild<QAction *>("AboutMorvane1")->trigger();
  EXPECT_EQ(messages.texts, QStringList({AboutText()}));
  const QStringList lines = AboutText().split('\n');
  ASSERT_GE(lines.size(), 6);
  EXPECT_EQ(lines[0], QString(31, ' ') + "Morvane Version 2");
  EXPECT_EQ(lines[1], QString(8, ' ') + "A program to simulate the evolution of adaptation");
  EXPECT_EQ(lines[2], QString(26, ' ') + "and habitat preference");
  EXPECT_EQ(lines[3], "");
  // The credits block: indented lines, naming the developers.
  for (int k = 4; k < lines.size(); ++k) {
    EXPECT_TRUE(lines[k].startsWith("      ")) << lines[k].toStdString();
    EXPECT_FALSE(lines[k].trimmed().isEmpty());
  }
  EXPECT_TRUE(AboutText().contains("Morvane developers"));
}

// The help viewer, with help files written by the test.
class HelpViewerTest : public HelpTest {
protected:
  void SetUp() override {
    HelpTest::SetUp();
    SetHelp(nullptr);
    ASSERT_TRUE(dir.isValid());
    previousDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
  }
  void TearDown() override {
    QDir::setCurrent(previousDir);
    HelpTest::TearDown();
  }
  QTemporaryDir dir;
  QString previousDir;
};

TEST_F(HelpViewerTest, ShowsTheFileFromTheCurrentFolderAndItsTopic) {
  QString html = "<html><body><a name=\"contents\"></a><h1>Contents</h1>";
  for (int k = 0; k < 200; ++k)
    html += QString("<p>Line %1 of the guide.</p>").arg(k);
  html += "<a name=\"context-1\"></a><h2>The main window</h2><p>Topic one.</p>";
  for (int k = 0; k < 200; ++k)
    html += "<p>More.</p>";
  html += "</body></html>";
  QFile file(dir.filePath("HelpMorvane.hlp"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(html.toUtf8());
  file.close();

  TextHelpViewer viewer;
  EXPECT_EQ(TextHelpViewer::Locate("HelpMorvane.hlp"), dir.filePath("HelpMorvane.hlp"));
  viewer.ShowContents("HelpMorvane.hlp");
  ASSERT_NE(viewer.Browser(), nullptr);
  EXPECT_TRUE(viewer.Browser()->isVisible());
  EXPECT_TRUE(viewer.Browser()->toPlainText().contains("Line 199 of the guide."));
  const int contents = viewer.Browser()->verticalScrollBar()->value();
  viewer.ShowTopic("HelpMorvane.hlp", 1);
  // The topic lies below 200 lines of text.
  EXPECT_GT(viewer.Browser()->verticalScrollBar()->value(), contents + 1000);
  viewer.CloseViewer();
  EXPECT_FALSE(viewer.Browser()->isVisible());
  // Esc closes it too, as it closes a dialog.
  viewer.ShowContents("HelpMorvane.hlp");
  ASSERT_TRUE(viewer.Browser()->isVisible());
  QTest::keyClick(viewer.Browser(), Qt::Key_Escape);
  EXPECT_FALSE(viewer.Browser()->isVisible());
  EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(HelpViewerTest, MissingFileIsReportedByTheViewerAndTheProgramGoesOn) {
  ASSERT_TRUE(TextHelpViewer::Locate("HelpMorvane.hlp").isEmpty());
  TextHelpViewer viewer;
  SetProductionHelp(&viewer);
  HelpMenuRequested();
  HelpKeyPressed(1);
  SetProductionHelp(nullptr);
  EXPECT_EQ(messages.texts, QStringList({"Cannot find the help file HelpMorvane.hlp.",
                                         "Cannot find the help file HelpMorvane.hlp."}));
  viewer.CloseViewer();
}

TEST(HelpFile, ShippedGuideHasItsTopicsAndCoversTheProgram) {
  QFile file(MORVANE_HELP_FILE);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString html = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(html.contains("name=\"contents\""));
  for (int topic : {1, 16, 17}) // every window; the phase plane; the bifurcation diagram
    EXPECT_TRUE(html.contains("name=\"" + TopicAnchor(topic) + "\"")) << topic;
  QTextDocument doc;
  doc.setHtml(html);
  const QString text = doc.toPlainText();
  for (const char *needed :
       {"Morvane v2", "Input Menu for Sexuals", "Input Menu for Clonals",
        "Disturb or Stop Menu for Sexual Haploids", "Disturbance Menu for Sexual Diploids",
        "Disturbance Menu for Clones", "Simulation progress information frame", "Plot Menu",
        "Diploids with local panmixia", "Diploids with global panmixia",
        "Haploids with local panmixia", "Haploids with global panmixia", "Haploid clonals",
        "PlotSexFile.plo", "PlotCloneFile.plo", ".mrv", ".gnr", "TradOfStatus", "Interrupt run"})
    EXPECT_TRUE(text.contains(needed)) << needed;
}

TEST(Pictures, EmbeddedPicturesDecode) {
  TfrmMorvane main;
  for (const char *name : {"ImgNaupliusI", "ImgNaupliusII", "ImgCopepodite"}) {
    auto *label = main.findChild<QLabel *>(name);
    ASSERT_NE(label, nullptr);
    EXPECT_FALSE(label->pixmap().isNull()) << name;
  }
  for (const char *path :
       {":/pictures/NaupliusI.jpg", ":/pictures/NaupliusII.jpg", ":/pictures/Copepodite.jpg",
        ":/pictures/SexImput.jpg", ":/pictures/ClonImput.jpg"}) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    const QImage image = DecodeJpeg(file.readAll());
    EXPECT_FALSE(image.isNull()) << path;
    EXPECT_GE(image.width(), 200);
    EXPECT_GE(image.height(), 150);
  }
}

TEST(Pictures, CorruptPicturesAreRefusedWithoutEndingTheProcess) {
  QLabel label;
  ASSERT_TRUE(ShowPicture(&label, ":/pictures/NaupliusI.jpg"));
  QFile file(":/pictures/NaupliusI.jpg");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray good = file.readAll();
  ASSERT_FALSE(DecodeJpeg(good).isNull());

  EXPECT_TRUE(DecodeJpeg(QByteArray()).isNull());
  EXPECT_TRUE(DecodeJpeg("this is no picture").isNull());
  // Cut short.
  EXPECT_TRUE(DecodeJpeg(good.left(good.size() / 2)).isNull());
  // Only the start-of-image marker.
  EXPECT_TRUE(DecodeJpeg(good.left(2)).isNull());
  // A damaged header: the frame header's marker overwritten.
  QByteArray badHeader = good;
  const int sof = badHeader.indexOf(QByteArray("\xFF\xC0", 2));
  ASSERT_GT(sof, 0);
  badHeader[sof + 1] = '\xCF'; // an arithmetic-coding frame type
  badHeader[sof + 5] = '\0';   // and a zero height
  badHeader[sof + 6] = '\0';
  EXPECT_TRUE(DecodeJpeg(badHeader).isNull());
  // The decoder still works afterwards.
  EXPECT_FALSE(DecodeJpeg(good).isNull());

  // A missing picture leaves its place empty.
  EXPECT_FALSE(ShowPicture(&label, ":/pictures/NoSuchPicture.jpg"));
  EXPECT_TRUE(label.pixmap().isNull());
}

} // namespace
