// The yardstick for Harf's start-up: an empty Qt Widgets window, shown, ended
// once it has painted for the first time.
#include <QApplication>
#include <QWidget>

#include "ui/first_frame.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  QWidget window;
  window.setWindowTitle(QStringLiteral("Empty"));
  window.setFixedSize(677, 621);
  harf::ui::QuitAfterFirstPaint quitter;
  quitter.watch(&window);
  window.show();
  return QApplication::exec();
}
