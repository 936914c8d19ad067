// A typed letter to the repainted line, in a real X server (run under Xvfb
// with QT_QPA_PLATFORM=xcb): a key press sent to Harf's window, which the
// window previews, types through the engine and writes to the line box, and
// the box repainted at once; against a bare QLineEdit given the same number
// of characters with setText and repainted. Both windows are shown side by
// side in the one process.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <memory>
#include <string_view>

#include "ui/frm_main.h"

namespace {

// Typing stops at 45 glyphs; the line is cleared, outside the timing, well
// before that.
constexpr std::size_t kRestartAt = 40;

// "bism allah ar-rahman" on the Systematic keys, over and over.
constexpr std::u16string_view kTyped = u"bsm 'llh 'lrHmn ";

harf::ui::frmMain* g_window = nullptr;
QWidget* g_line = nullptr;
QLineEdit* g_bare = nullptr;

void BM_HarfTypedLetterToRepaintedLine(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state) {
    if (g_window->typist().line().size() >= kRestartAt) {
      state.PauseTiming();
      g_window->cmdClear_Click();
      g_line->repaint();
      state.ResumeTiming();
    }
    const QChar typed(kTyped[i++ % kTyped.size()]);
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(typed));
    QCoreApplication::sendEvent(g_line, &press);
    g_line->repaint();
  }
  state.counters["glyphs"] = static_cast<double>(g_window->typist().line().size());
}

void BM_BareLineEditSetTextRepaint(benchmark::State& state) {
  QString text;
  std::size_t i = 0;
  for (auto _ : state) {
    if (static_cast<std::size_t>(text.size()) >= kRestartAt) {
      state.PauseTiming();
      text.clear();
      g_bare->setText(text);
      g_bare->repaint();
      state.ResumeTiming();
    }
    text.append(QChar(kTyped[i++ % kTyped.size()]));
    g_bare->setText(text);
    g_bare->repaint();
  }
}

BENCHMARK(BM_HarfTypedLetterToRepaintedLine)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_BareLineEditSetTextRepaint)->Unit(benchmark::kMicrosecond)->UseRealTime();

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
  bare.setGeometry(16, 32, 627, 77);  // the size of Harf's line box
  bareWindow.show();
  if (!QTest::qWaitForWindowExposed(&window) || !QTest::qWaitForWindowExposed(&bareWindow)) {
    std::fprintf(stderr, "the windows were never shown: is there an X server (DISPLAY)?\n");
    return 1;
  }
  g_window = &window;
  g_line = window.findChild<QWidget*>(QStringLiteral("txtT"));
  g_bare = &bare;
  if (g_line == nullptr) return 1;
  g_line->setFocus();
  QCoreApplication::processEvents();

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
