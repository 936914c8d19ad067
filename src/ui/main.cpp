// Harf: type Arabic in an 8-bit display font without shaping of its own.
#include <QApplication>
#include <QTimer>

#include "ui/frm_main.h"

namespace {

// With HARF_QUIT_AFTER_FIRST_FRAME set, the program ends once its window has
// painted for the first time: the start-up benchmark measures exactly that.
class QuitAfterFirstPaint : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      watched->removeEventFilter(this);
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Harf"));
  // Fusion draws the background colours the buttons and keys are given on
  // every platform.
  QApplication::setStyle(QStringLiteral("Fusion"));
  harf::ui::frmMain window;
  QuitAfterFirstPaint quitter;
  if (qEnvironmentVariableIsSet("HARF_QUIT_AFTER_FIRST_FRAME")) window.installEventFilter(&quitter);
  window.show();
  return QApplication::exec();
}
