// Ends the application once a widget has painted for the first time. The
// start-up benchmark runs Harf and an empty window to exactly that point.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

namespace harf::ui {

class QuitAfterFirstPaint : public QObject {
 public:
  // Watches `widget` (any QObject that receives paint events).
  void watch(QObject* widget) { widget->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      watched->removeEventFilter(this);
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return false;
  }
};

}  // namespace harf::ui
