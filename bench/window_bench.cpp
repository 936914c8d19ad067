// A keystroke to the repainted line, in a real X server (run under Xvfb with
// QT_QPA_PLATFORM=xcb): a Backspace key sent to Harf's line box, which the
// window previews and hands to its keyboard model, and the box repainted;
// against a bare QLineEdit holding the same glyph text (the codes as the box
// holds them, U+F000 + code) in the same font, sent the same key and
// repainted. Each side's window is activated and its box focused before its
// timing, as a user's would be, so both draw their caret. At 45 glyphs (the
// longest line typing makes) the deleted letter is typed again outside the
// timing; at 100,000 glyphs (a pasted word) the line only shrinks, by far
// less than a percent over a run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <limits>

#include "input/glyph_encoding.h"
#include "ui/frm_main.h"

namespace {

harf::ui::frmMain* g_window = nullptr;
QWidget* g_line = nullptr;
QWidget* g_bareWindow = nullptr;
QLineEdit* g_bare = nullptr;

// The line's glyph codes as the box holds them.
QString GlyphText(const harf::Line& line) {
  QString text;
  for (const harf::GlyphCode c : line.Codes()) {
    text.append(QChar(static_cast<char16_t>(harf::CharOfCode(c, harf::GlyphEncoding::Symbol))));
  }
  return text;
}

bool Activate(QWidget* window, QWidget* focus) {
  window->activateWindow();
  window->raise();
  if (!QTest::qWaitForWindowActive(window)) return false;
  focus->setFocus();
  QCoreApplication::processEvents();
  return true;
}

// Harf's line holding `glyphs` glyphs: ba typed, or a pasted word of ba.
void FillHarf(std::size_t glyphs) {
  g_window->cmdClear_Click();
  if (glyphs <= 45) {
    while (g_window->typist().line().size() < glyphs) QTest::keyClick(g_line, 'b');
  } else {
    g_window->PasteUnicodeText(QString(static_cast<qsizetype>(glyphs - 1), QChar(0x0628)));
  }
  g_line->repaint();
}

void BM_HarfBackspaceToRepaintedLine(benchmark::State& state) {
  const auto glyphs = static_cast<std::size_t>(state.range(0));
  FillHarf(glyphs);
  if (!Activate(g_window, g_line)) state.SkipWithError("Harf's window never became active");
  for (auto _ : state) {
    QTest::keyClick(g_line, Qt::Key_Backspace);
    g_line->repaint();
    if (glyphs <= 45) {
      state.PauseTiming();
      QTest::keyClick(g_line, 'b');
      g_line->repaint();
      state.ResumeTiming();
    }
  }
  state.counters["glyphs"] = static_cast<double>(g_window->typist().line().size());
}

void BM_BareLineEditBackspaceToRepaint(benchmark::State& state) {
  const auto glyphs = static_cast<std::size_t>(state.range(0));
  FillHarf(glyphs);  // the same line, for its glyph text
  const QString full = GlyphText(g_window->typist().line());
  g_bare->setText(full);
  g_bare->end(false);
  g_bare->repaint();
  if (!Activate(g_bareWindow, g_bare)) state.SkipWithError("the bare window never became active");
  for (auto _ : state) {
    QTest::keyClick(g_bare, Qt::Key_Backspace);
    g_bare->repaint();
    if (glyphs <= 45) {
      state.PauseTiming();
      g_bare->insert(full.right(1));
      g_bare->repaint();
      state.ResumeTiming();
    }
  }
  state.counters["glyphs"] = static_cast<double>(g_bare->text().size());
}

BENCHMARK(BM_HarfBackspaceToRepaintedLine)
    ->Arg(45)
    ->Arg(100'000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(BM_BareLineEditBackspaceToRepaint)
    ->Arg(45)
    ->Arg(100'000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));

  harf::ui::frmMain window;
  window.move(0, 0);
  window.show();
  QWidget bareWindow;
  bareWindow.setGeometry(window.width() + 20, 0, window.width(), window.height());
  QLineEdit bare(&bareWindow);
  bare.setMaxLength(std::numeric_limits<int>::max());  // 32767 by default
  g_line = window.findChild<QWidget*>(QStringLiteral("txtT"));
  if (g_line == nullptr) return 1;
  bare.setGeometry(g_line->geometry());
  bare.setFont(g_line->font());
  bareWindow.show();
  if (!QTest::qWaitForWindowExposed(&window) || !QTest::qWaitForWindowExposed(&bareWindow)) {
    std::fprintf(stderr, "the windows were never shown: is there an X server (DISPLAY)?\n");
    return 1;
  }
  g_window = &window;
  g_bareWindow = &bareWindow;
  g_bare = &bare;
  QCoreApplication::processEvents();

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
