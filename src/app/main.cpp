#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label("Morvane v2 is being built.");
  label.setWindowTitle("Morvane v2");
  label.setAlignment(Qt::AlignCenter);
  label.showMaximized();
  return app.exec();
}
