// The second yardstick for Harf's start-up: an empty Qt Widgets window of the
// same size that loads the display font, as Harf must, and shows one label of
// glyph codes in it; ended once it has painted for the first time. Against
// this peer Harf's start-up is what the window itself costs, not the font.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QWidget>

#include "ui/display_font.h"
#include "ui/first_frame.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  QWidget window;
  window.setWindowTitle(QStringLiteral("Labelled"));
  window.setFixedSize(677, 621);
  QFont font(harf::ui::LoadDisplayFont());
  font.setPointSizeF(24);
  // "bism allah" as glyph codes, each at U+F000 + code as the boxes hold them.
  QString glyphs;
  for (const int code : {32, 111, 232, 183, 32, 228, 252, 222, 32}) {
    glyphs.append(QChar(0xF000 + code));
  }
  QLabel label(glyphs, &window);
  label.setFont(font);
  label.setGeometry(16, 32, 627, 77);
  harf::ui::QuitAfterFirstPaint quitter;
  quitter.watch(&window);
  window.show();
  return QApplication::exec();
}
