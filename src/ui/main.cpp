// Harf: type Arabic in an 8-bit display font without shaping of its own.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "harf_version.h"
#include "ui/first_frame.h"
#include "ui/frm_main.h"
#include "ui/translations.h"

namespace {

// --help and --version, and nothing else of our own.
struct CommandLine {
  QCommandLineParser parser;
  QCommandLineOption help = parser.addHelpOption();
  QCommandLineOption version = parser.addVersionOption();
  CommandLine() {
    parser.setApplicationDescription(
        QStringLiteral("Types Arabic in the legacy 8-bit display font VarnelNormal."));
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication::setApplicationName(QStringLiteral("Harf"));
  QApplication::setApplicationVersion(
      QString::fromUtf8(harf::kVersion.data(), static_cast<qsizetype>(harf::kVersion.size())));
  QApplication::setDesktopFileName(QStringLiteral("org.harf.Harf"));
  {
    // Answered before the window system is opened, so that they work on a
    // terminal with no display. Errors wait until QApplication has taken its
    // own options (-platform, -style …) out of the arguments.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    CommandLine early;
    early.parser.parse(arguments);
    if (early.parser.isSet(early.version)) {
      std::printf("harf %.*s\n", static_cast<int>(harf::kVersion.size()), harf::kVersion.data());
      return 0;
    }
    if (early.parser.isSet(early.help)) {
      // Without an application object the parser cannot know its own name.
      std::fputs(qPrintable(early.parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                            QStringLiteral("harf"))),
                 stdout);
      return 0;
    }
  }
  QApplication app(argc, argv);
  CommandLine line;
  if (!line.parser.parse(QApplication::arguments()) ||
      !line.parser.positionalArguments().isEmpty()) {
    const QString error = line.parser.errorText().isEmpty()
                              ? QStringLiteral("unexpected argument '%1'")
                                    .arg(line.parser.positionalArguments().first())
                              : line.parser.errorText();
    std::fprintf(stderr, "harf: %s (try --help)\n", qPrintable(error));
    return 2;
  }
  harf::ui::InstallTranslations(app);
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
