// harf-shape: types text through Harf's keyboard mapping and shaping engine, or
// Unicode Arabic letter by letter, and prints the glyph codes (or the Unicode
// text) the line ends up with, one output line per line typed. It reads,
// shapes and writes line by line, so memory does not grow with the input.
#include <unistd.h>

#include <iostream>
#include <memory>
#include <string>
#include <utility>

#include "harf_version.h"
#include "input.h"
#include "options.h"
#include "printers.h"
#include "stream_io.h"

namespace {

using harf::shape::BadInput;
using harf::shape::Input;
using harf::shape::Options;
using harf::shape::Printer;
using harf::shape::Source;
using harf::tools::IoError;
using harf::tools::LinePiece;
using harf::tools::Output;

std::unique_ptr<Input> MakeInput(const Options& o, Printer print, Output& out) {
  switch (o.from) {
    case Source::Keys:
    case Source::Unicode:
      return harf::shape::MakeTypedInput(o, std::move(print));
    case Source::Codes:
    case Source::Bytes:
    case Source::Legacy:
      return harf::shape::MakeCodesInput(o, std::move(print), out);
  }
  return nullptr;
}

void ReportSkipped(std::size_t skipped, Source from) {
  if (skipped == 0) return;
  if (from == Source::Codes || from == Source::Bytes || from == Source::Legacy) {
    std::cerr << "harf-shape: skipped " << skipped
              << (skipped == 1 ? " code or character" : " codes or characters")
              << " that no letter uses, or vowel signs with nothing to carry them\n";
    return;
  }
  std::cerr << "harf-shape: skipped " << skipped << (skipped == 1 ? " character" : " characters")
            << " with no letter or a vowel sign the letter before it refuses\n";
}

int Shape(const Options& o) {
  harf::tools::RequireOpen(STDIN_FILENO, "standard input");
  harf::tools::RequireOpen(STDOUT_FILENO, "standard output");
  Output out(STDOUT_FILENO);
  const std::unique_ptr<Input> input = MakeInput(
      o, MakePrinter(o.format, o.encoding.value_or(harf::GlyphEncoding::Symbol), out), out);
  // Raw bytes are no UTF-8: a piece may end anywhere.
  harf::tools::PieceReader reader(
      STDIN_FILENO, [&out] { out.Flush(); }, o.from != Source::Bytes);
  // At a terminal, what was skipped is told line by line; otherwise once.
  const bool terminal = isatty(STDIN_FILENO) == 1;
  std::size_t told = 0;
  LinePiece piece;
  try {
    while (reader.Next(piece)) {
      input->Take(piece);
      if (terminal && piece.ends && input->Skipped() > told) {
        out.Flush();
        ReportSkipped(input->Skipped() - told, o.from);
        told = input->Skipped();
      }
    }
  } catch (const BadInput& bad) {
    out.Flush();
    std::cerr << "harf-shape: " << bad.message << "\n";
    return 2;
  }
  out.Flush();
  ReportSkipped(input->Skipped() - told, o.from);
  return 0;
}

int Run(const Options& o) {
  if (o.help || o.version) {
    harf::tools::RequireOpen(STDOUT_FILENO, "standard output");
    Output out(STDOUT_FILENO);
    if (o.help) {
      out.Write(harf::shape::UsageText());
    } else {
      out.Write("harf-shape ");
      out.Write(harf::kVersion);
      out.Write("\n");
    }
    out.Flush();
    return 0;
  }
  return Shape(o);
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = harf::shape::Parse(argc, argv);
  try {
    return Run(o);
  } catch (const IoError& e) {
    std::cerr << "harf-shape: " << e.what() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "harf-shape: " << e.what() << "\n";
  }
  return 1;
}
