// The yardstick for Harf's start-up: an empty Qt Widgets window, shown, ended
// once it has painted for the first time.
#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace {

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
  QApplication::setStyle(QStringLiteral("Fusion"));
  QWidget window;
  window.setWindowTitle(QStringLiteral("Empty"));
  window.setFixedSize(677, 621);
  QuitAfterFirstPaint quitter;
  window.installEventFilter(&quitter);
  window.show();
  return QApplication::exec();
}
