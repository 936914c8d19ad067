// Harf: type Arabic in an 8-bit display font without shaping of its own.
#include <QApplication>

#include "ui/first_frame.h"
#include "ui/frm_main.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Harf"));
  // Fusion draws the background colours the buttons and keys are given on
  // every platform.
  QApplication::setStyle(QStringLiteral("Fusion"));
  harf::ui::frmMain window;
  // With HARF_QUIT_AFTER_FIRST_FRAME set, the program ends once its window has
  // painted for the first time: the start-up benchmark measures exactly that.
  harf::ui::QuitAfterFirstPaint quitter;
  if (qEnvironmentVariableIsSet("HARF_QUIT_AFTER_FIRST_FRAME")) quitter.watch(&window);
  window.show();
  return QApplication::exec();
}
