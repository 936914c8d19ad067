// harf-convert: documents between the legacy 8-bit font and Unicode Arabic,
// every other thing in them left as it is.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <string>

#include "isolated.h"
#include "messages.h"
#include "office.h"
#include "options.h"
#include "output_file.h"
#include "pending.h"

namespace {

namespace fs = std::filesystem;
using harf::convert::Outcome;
using harf::convert::Printable;

// A file's name as the bar shows it: printable, at most 40 bytes, cut between
// UTF-8 characters.
std::string ShownName(const std::string& name) {
  const std::string printable = Printable(name);
  std::string shown = printable.substr(0, 40);
  while (!shown.empty() && shown.size() < printable.size() &&
         (static_cast<unsigned char>(printable[shown.size()]) & 0xC0) == 0x80) {
    shown.pop_back();
  }
  return shown;
}

void Progress(std::size_t done, std::size_t total, const std::string& name) {
  constexpr int kWidth = 30;
  const int filled = static_cast<int>(kWidth * done / (total ? total : 1));
  std::cerr << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
            << std::string(static_cast<std::size_t>(kWidth - filled), ' ') << "] " << done << "/"
            << total << " " << ShownName(name) << "\033[K" << std::flush;
}

}  // namespace

int main(int argc, char** argv) {
  const harf::convert::Options o = harf::convert::Parse(argc, argv);
  harf::convert::TakeUmask();
  // Every thread and process started from here on inherits the blocked stop
  // signals: only the watcher takes them.
  harf::convert::WatchStopSignals();
  harf::convert::SharedOfficeGroup() = 0;

  harf::convert::Batch batch;
  for (const std::string& file : o.files) {
    if (const auto id = harf::convert::IdOf(file)) batch.inputs.insert(*id);
  }
  std::set<fs::path> swept;
  const bool bar = ::isatty(2) && o.files.size() > 1;
  std::size_t converted = 0, failed = 0, runs = 0, leftOut = 0;
  bool invalid = false;
  for (std::size_t i = 0; i < o.files.size(); ++i) {
    const std::string& file = o.files[i];
    if (bar) Progress(i, o.files.size(), file);
    const fs::path out = harf::convert::OutputOf(file, o);
    const fs::path dir = out.parent_path();
    if (swept.insert(dir).second) harf::convert::SweepTemporaryOutputs(dir);
    const Outcome outcome = harf::convert::ConvertIsolated(file, o, batch);
    if (outcome.kind == Outcome::Kind::Converted) {
      ++converted;
      runs += outcome.stats.runs;
      leftOut += outcome.stats.leftOut;
      if (outcome.stats.readBothWays) {
        const bool utf8 = *outcome.stats.readBothWays == harf::documents::TextReading::Utf8;
        if (bar) std::cerr << "\r\033[K";
        std::cerr << harf::convert::FileMessage(
                         file, utf8 ? "reads validly both as UTF-8 and as raw bytes; read as "
                                      "UTF-8 (--read-as bytes for bytes)"
                                    : "reads validly both as UTF-8 and as raw bytes; read as "
                                      "bytes (--read-as utf8 for UTF-8)")
                  << "\n";
      }
      if (const auto written = harf::convert::IdOf(out)) batch.written.insert(*written);
      continue;
    }
    if (bar) std::cerr << "\r\033[K";
    std::cerr << harf::convert::FileMessage(file, outcome.message) << "\n";
    ++failed;
    invalid = invalid || outcome.kind == Outcome::Kind::Invalid;
    // A child that died left its temporary output, perhaps a LibreOffice folder.
    harf::convert::SweepTemporaryOutputs(dir);
    harf::convert::SweepOfficeFolders();
  }
  if (bar) {
    Progress(o.files.size(), o.files.size(), "");
    std::cerr << "\n";
  }
  std::cerr << "harf-convert: " << o.files.size() << (o.files.size() == 1 ? " file, " : " files, ")
            << converted << " converted, " << runs << " runs converted, " << leftOut
            << " characters left out, " << failed << " failed\n";
  if (invalid) return 2;
  return failed > 0 ? 1 : 0;
}
