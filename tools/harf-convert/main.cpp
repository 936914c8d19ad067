// harf-convert: documents between the legacy 8-bit font and Unicode Arabic,
// every other thing in them left as it is.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "documents/convert.h"
#include "documents/package.h"
#include "harf_version.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using harf::documents::ConvertOptions;
using harf::documents::ConvertStats;
using harf::documents::Direction;
using harf::documents::DocumentError;

constexpr std::string_view kUsage =
    R"(Usage: harf-convert [--to unicode|legacy] [--legacy-font NAME] [--unicode-font NAME]
                    [--encoding auto|symbol|latin1|windows-1252]
                    [-o OUT | --out-dir DIR] [--force] [--line-glyphs N]
                    [--columns LIST] FILE...

Converts documents between the legacy 8-bit Arabic display font and Unicode
Arabic, leaving everything else in them as it is.

--to unicode (default): every run set in the legacy font (by name, without
regard to case, directly or through a style) is read as glyph codes, the
letters recovered, and written as Unicode Arabic in logical order in the
Unicode font, marked right to left; a paragraph holding nothing else becomes
a right-to-left paragraph. Runs next to each other in one line are read as one
sequence, so a word whose letters differ in bold or colour stays one word and
every letter keeps the formatting of its glyph.

--to legacy: every run of Arabic text is typed through the shaping engine and
written as glyph codes in display order in the legacy font, broken at spaces
into lines of at most --line-glyphs glyphs, since a left-to-right document
would wrap them in the wrong order.

Formats, by extension: .docx, .odt; .xlsx, .ods (string cells, by the cell's
or a run's font); .pptx, .odp (slides, layouts, masters, notes); .txt (the
whole file is legacy text: UTF-8 characters of the encoding, or raw bytes,
one per glyph code); .csv and .tsv (the columns named by --columns; a header
row when any column is named); .doc, .rtf, .xls and .ppt through LibreOffice
(soffice) when it is installed; .html and .htm (text in the legacy font by
<font face>, style or a <style> class; the page's own encoding read, UTF-8
written); .pdf to Unicode text only (NAME.unicode.txt: line by line, pages
separated by form feeds, the legacy font found by its name in the PDF).

Options:
  --to unicode|legacy      direction (default: unicode)
  --legacy-font NAME       the legacy font's name (default: VarnelNormal)
  --unicode-font NAME      the Unicode font written (default: Amiri)
  --encoding E             how legacy text holds glyph codes: symbol (U+F000 +
                           code), latin1, windows-1252, or auto (default): when
                           reading, found per run from its characters; when
                           writing, windows-1252
  -o OUT                   the output file (one input only)
  --out-dir DIR            write outputs into DIR
  --force                  replace an existing output file
  --line-glyphs N          longest legacy line written, in glyphs (default 45;
                           0: no limit)
  --columns LIST           .csv/.tsv: comma-separated header names or 1-based
                           column numbers of the legacy (or Arabic) columns
  --help                   show this text
  --version                show the version

Without -o, the output of NAME.EXT is NAME.unicode.EXT or NAME.legacy.EXT
beside the input (or in --out-dir). An input is never overwritten; an existing
output is refused unless --force. Each output is written to a temporary file
beside it and renamed when complete.

Exit status: 0 all converted; 1 a file could not be read or written; 2 bad
usage, or an input that is not a document of its extension, malformed XML,
encrypted, or with zip entries past 512 MB or 200 times their packed size
(nothing is written for it). A failing file does not stop the others.
)";

[[noreturn]] void Usage(const std::string& message) {
  std::cerr << "harf-convert: " << message << "\n"
            << "Try 'harf-convert --help'.\n";
  std::exit(2);
}

// --help and --version: a failed write is no success.
[[noreturn]] void Print(std::string_view text) {
  std::cout << text << std::flush;
  if (!std::cout) {
    std::cerr << "harf-convert: cannot write to standard output\n";
    std::exit(1);
  }
  std::exit(0);
}

bool IsOption(std::string_view arg, std::string_view name) {
  return arg.starts_with(name) && (arg.size() == name.size() || arg[name.size()] == '=');
}

std::string ValueOf(std::string_view arg, std::string_view name, int& i, int argc, char** argv) {
  if (arg.size() > name.size() && arg[name.size()] == '=')
    return std::string(arg.substr(name.size() + 1));
  if (i + 1 >= argc) Usage("option " + std::string(name) + " needs a value");
  return argv[++i];
}

struct Options {
  ConvertOptions convert;
  std::optional<std::string> out;
  std::optional<std::string> out_dir;
  bool force = false;
  std::vector<std::string> files;
};

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = list.find(',', start);
    const std::size_t end = comma == std::string::npos ? list.size() : comma;
    if (end > start) items.push_back(list.substr(start, end - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

Options Parse(int argc, char** argv) {
  Options o;
  bool files_only = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (files_only || arg == "-" || !arg.starts_with("-")) {
      o.files.emplace_back(arg);
    } else if (arg == "--") {
      files_only = true;
    } else if (arg == "--help" || arg == "-h") {
      Print(kUsage);
    } else if (arg == "--version") {
      Print("harf-convert " + std::string(harf::kVersion) + "\n");
    } else if (IsOption(arg, "--to")) {
      const std::string v = ValueOf(arg, "--to", i, argc, argv);
      if (v == "unicode") {
        o.convert.to = Direction::ToUnicode;
      } else if (v == "legacy") {
        o.convert.to = Direction::ToLegacy;
      } else {
        Usage("bad value for --to: '" + v + "' (expected unicode, legacy)");
      }
    } else if (IsOption(arg, "--legacy-font")) {
      o.convert.legacy_font = ValueOf(arg, "--legacy-font", i, argc, argv);
      if (o.convert.legacy_font.empty()) Usage("--legacy-font needs a name");
    } else if (IsOption(arg, "--unicode-font")) {
      o.convert.unicode_font = ValueOf(arg, "--unicode-font", i, argc, argv);
      if (o.convert.unicode_font.empty()) Usage("--unicode-font needs a name");
    } else if (IsOption(arg, "--encoding")) {
      const std::string v = ValueOf(arg, "--encoding", i, argc, argv);
      if (v != "auto") {
        o.convert.encoding = harf::ParseEncodingName(v);
        if (!o.convert.encoding) {
          Usage("bad value for --encoding: '" + v +
                "' (expected auto, symbol, latin1, windows-1252)");
        }
      }
    } else if (arg == "-o" || IsOption(arg, "--output")) {
      o.out = ValueOf(arg, arg == "-o" ? "-o" : "--output", i, argc, argv);
    } else if (IsOption(arg, "--out-dir")) {
      o.out_dir = ValueOf(arg, "--out-dir", i, argc, argv);
    } else if (arg == "--force") {
      o.force = true;
    } else if (IsOption(arg, "--line-glyphs")) {
      const std::string v = ValueOf(arg, "--line-glyphs", i, argc, argv);
      char* end = nullptr;
      errno = 0;
      const unsigned long n = std::strtoul(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || errno != 0 || v.front() == '-' || n > 1000000) {
        Usage("bad value for --line-glyphs: '" + v + "' (expected a number, 0 for no limit)");
      }
      o.convert.line_glyphs = n;
    } else if (IsOption(arg, "--columns")) {
      o.convert.columns = SplitList(ValueOf(arg, "--columns", i, argc, argv));
      if (o.convert.columns.empty()) Usage("--columns needs at least one column");
    } else {
      Usage("unknown option '" + std::string(arg) + "'");
    }
  }
  if (o.files.empty()) Usage("no input file");
  if (o.out && o.out_dir) Usage("-o and --out-dir exclude each other");
  if (o.out && o.files.size() > 1) Usage("-o takes one input file; use --out-dir for more");
  return o;
}

// What an interruption has to undo: the temporary output, LibreOffice's work
// folder and LibreOffice itself. The main thread changes it only under the
// lock; the thread that takes a signal keeps the lock until the process dies,
// so nothing is renamed into place or started after the clean-up began.
struct Pending {
  std::mutex lock;
  std::string temp;        // the temporary output, empty when there is none
  std::string work;        // LibreOffice's work folder, empty when there is none
  pid_t office_group = 0;  // the process group of a running LibreOffice
};
Pending g_pending;

constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int sig : kStopSignals) sigaddset(&set, sig);
  return set;
}

// Kills a LibreOffice process group and waits until every process of it is
// gone, so that none writes into its folder after the folder is removed.
void StopOffice(pid_t group) {
  ::kill(-group, SIGKILL);
  for (int i = 0; i < 500 && ::kill(-group, 0) == 0; ++i) ::usleep(10000);
}

// Runs on its own thread with the stop signals blocked everywhere else, so
// the clean-up may use ordinary (not async-signal-safe) calls.
void WatchSignals() {
  const sigset_t set = StopSignals();
  int sig = 0;
  while (::sigwait(&set, &sig) != 0) {
  }
  g_pending.lock.lock();  // held until the end: the main thread stops at its next step
  if (g_pending.office_group > 0) StopOffice(g_pending.office_group);
  if (!g_pending.temp.empty()) ::unlink(g_pending.temp.c_str());
  if (!g_pending.work.empty()) {
    std::error_code ec;
    fs::remove_all(g_pending.work, ec);
  }
  // Die of the signal itself, so that the caller sees what stopped us.
  ::signal(sig, SIG_DFL);
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, sig);
  ::pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
  ::raise(sig);
  ::_exit(128 + sig);
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

enum class Format {
  Docx,
  Odt,
  Text,
  Csv,
  Tsv,
  Doc,
  Rtf,
  Pdf,
  Html,
  Xlsx,
  Pptx,
  Ods,
  Odp,
  Xls,
  Ppt
};

std::optional<Format> FormatOf(const fs::path& p) {
  const std::string ext = Lower(p.extension().string());
  if (ext == ".docx") return Format::Docx;
  if (ext == ".odt") return Format::Odt;
  if (ext == ".txt") return Format::Text;
  if (ext == ".csv") return Format::Csv;
  if (ext == ".tsv") return Format::Tsv;
  if (ext == ".doc") return Format::Doc;
  if (ext == ".rtf") return Format::Rtf;
  if (ext == ".pdf") return Format::Pdf;
  if (ext == ".html" || ext == ".htm") return Format::Html;
  if (ext == ".xlsx") return Format::Xlsx;
  if (ext == ".pptx") return Format::Pptx;
  if (ext == ".ods") return Format::Ods;
  if (ext == ".odp") return Format::Odp;
  if (ext == ".xls") return Format::Xls;
  if (ext == ".ppt") return Format::Ppt;
  return std::nullopt;
}

[[noreturn]] void Invalid(const std::string& m) {
  throw DocumentError(DocumentError::Kind::Invalid, m);
}
[[noreturn]] void Io(const std::string& m) {
  throw DocumentError(DocumentError::Kind::Io, m);
}

// Runs LibreOffice and waits; true on exit status 0. Its output goes to
// /dev/null: LibreOffice is talkative. It runs in a process group of its own
// (so that an interruption can stop all of it) with its temporary files in
// `tmp`, which is removed with the work folder.
bool RunOffice(const std::vector<std::string>& args, const fs::path& tmp) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const std::string tmpdir = "TMPDIR=" + tmp.string();
  std::vector<char*> env;
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "TMPDIR=", 7) != 0) env.push_back(*e);
  }
  env.push_back(const_cast<char*>(tmpdir.c_str()));
  env.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none;
  sigemptyset(&none);
  const sigset_t stop = StopSignals();
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &stop);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  pid_t pid = 0;
  int rc = 0;
  {
    const std::lock_guard lock(g_pending.lock);
    rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), env.data());
    if (rc == 0) g_pending.office_group = pid;
  }
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  {
    const std::lock_guard lock(g_pending.lock);
    g_pending.office_group = 0;
  }
  // LibreOffice may leave a helper behind in its group; it must not outlive us.
  StopOffice(pid);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  const std::string p = path;
  std::size_t start = 0;
  while (start <= p.size()) {
    const std::size_t colon = p.find(':', start);
    const std::string dir =
        p.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return false;
}

// .doc and .rtf: LibreOffice makes a .docx of it, which is converted and made
// back into the input's format.
ConvertStats ConvertThroughOffice(const fs::path& in, const std::string& out, Format format,
                                  const ConvertOptions& o) {
  if (!OnPath("soffice")) {
    Io("cannot convert " + in.extension().string() +
       " files without LibreOffice: install the Debian package " +
       (format == Format::Xls   ? "libreoffice-calc-nogui"
        : format == Format::Ppt ? "libreoffice-impress-nogui"
                                : "libreoffice-writer-nogui"));
  }
  std::string pattern = (fs::temp_directory_path() / "harf-convert.XXXXXX").string();
  {
    const std::lock_guard lock(g_pending.lock);
    if (!::mkdtemp(pattern.data()))
      Io(std::string("cannot make a temporary folder: ") + std::strerror(errno));
    g_pending.work = pattern;
  }
  const fs::path work = pattern;
  struct Cleanup {
    fs::path dir;
    ~Cleanup() {
      const std::lock_guard lock(g_pending.lock);
      std::error_code ec;
      fs::remove_all(dir, ec);
      g_pending.work.clear();
    }
  } cleanup{work};
  const std::string profile = "-env:UserInstallation=file://" + (work / "profile").string();
  // The format LibreOffice makes to convert, and the filter that writes the
  // input's format back.
  struct Route {
    const char* ext;
    const char* via;
    const char* filter;
    ConvertStats (*convert)(const std::string&, const std::string&, const ConvertOptions&);
  };
  using namespace harf::documents;
  const Route route = format == Format::Doc   ? Route{"doc", "docx", "doc:MS Word 97", ConvertDocx}
                      : format == Format::Xls ? Route{"xls", "xlsx", "xls:MS Excel 97", ConvertXlsx}
                      : format == Format::Ppt
                          ? Route{"ppt", "pptx", "ppt:MS PowerPoint 97", ConvertPptx}
                          : Route{"rtf", "docx", "rtf", ConvertDocx};
  const std::string ext = route.ext;
  const std::string via = route.via;
  fs::create_directories(work / "in");
  fs::create_directories(work / "back");
  fs::create_directories(work / "tmp");
  const fs::path source = work / ("document." + ext);
  fs::copy_file(in, source);
  if (!RunOffice({"soffice", profile, "--headless", "--convert-to", via, "--outdir",
                  (work / "in").string(), source.string()},
                 work / "tmp") ||
      !fs::exists(work / "in" / ("document." + via))) {
    Invalid("LibreOffice could not read it as a ." + ext + " document");
  }
  const fs::path converted = work / ("document." + via);
  {
    std::FILE* f = std::fopen(converted.c_str(), "wb");
    if (f) std::fclose(f);
  }
  const ConvertStats stats =
      route.convert((work / "in" / ("document." + via)).string(), converted, o);
  const std::string filter = route.filter;
  if (!RunOffice({"soffice", profile, "--headless", "--convert-to", filter, "--outdir",
                  (work / "back").string(), converted.string()},
                 work / "tmp") ||
      !fs::exists(work / "back" / ("document." + ext))) {
    Io("LibreOffice could not write the ." + ext + " document back");
  }
  fs::copy_file(work / "back" / ("document." + ext), out, fs::copy_options::overwrite_existing);
  return stats;
}

ConvertStats ConvertOne(const fs::path& in, const std::string& out, Format format,
                        const ConvertOptions& o) {
  switch (format) {
    case Format::Docx:
      return harf::documents::ConvertDocx(in, out, o);
    case Format::Odt:
      return harf::documents::ConvertOdt(in, out, o);
    case Format::Text:
      return harf::documents::ConvertText(in, out, o);
    case Format::Csv:
      return harf::documents::ConvertTable(in, out, ',', o);
    case Format::Tsv:
      return harf::documents::ConvertTable(in, out, '\t', o);
    case Format::Doc:
    case Format::Rtf:
    case Format::Xls:
    case Format::Ppt:
      return ConvertThroughOffice(in, out, format, o);
    case Format::Pdf:
      return harf::documents::ConvertPdf(in, out, o);
    case Format::Html:
      return harf::documents::ConvertHtml(in, out, o);
    case Format::Xlsx:
      return harf::documents::ConvertXlsx(in, out, o);
    case Format::Pptx:
      return harf::documents::ConvertPptx(in, out, o);
    case Format::Ods:
      return harf::documents::ConvertOds(in, out, o);
    case Format::Odp:
      return harf::documents::ConvertOdp(in, out, o);
  }
  return {};
}

fs::path OutputOf(const fs::path& in, const Options& o) {
  if (o.out) return *o.out;
  const std::string tag = o.convert.to == Direction::ToUnicode ? ".unicode" : ".legacy";
  // A PDF's text is plain text.
  const std::string ext = FormatOf(in) == Format::Pdf ? ".txt" : in.extension().string();
  const fs::path name = in.stem().string() + tag + ext;
  if (o.out_dir) return fs::path(*o.out_dir) / name;
  return in.parent_path() / name;
}

// A file by its identity, so that two paths naming one file are seen as one.
struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  auto operator<=>(const FileId&) const = default;
};

std::optional<FileId> IdOf(const fs::path& p) {
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
}

// What a batch must not write over: its inputs, the later ones not yet read
// included, and the outputs it wrote already.
struct Batch {
  std::set<FileId> inputs;
  std::set<FileId> written;
};

// Converts one file into a temporary file beside the output and renames it
// into place when complete.
ConvertStats ConvertFile(const fs::path& in, const Options& o, Batch& batch) {
  const std::optional<Format> format = FormatOf(in);
  if (!format) {
    Invalid(
        "unknown kind of file (expected .docx, .odt, .txt, .csv, .tsv, .doc, .rtf, .pdf, .html or "
        ".htm)");
  }
  struct stat st {};
  if (::stat(in.c_str(), &st) != 0) Io(std::string("cannot read: ") + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) Io("not a regular file");
  const fs::path out = OutputOf(in, o);
  if (const std::optional<FileId> existing = IdOf(out)) {
    if (*existing == FileId{st.st_dev, st.st_ino}) {
      Invalid("the output " + out.string() + " is the input itself");
    }
    if (batch.inputs.contains(*existing)) {
      Invalid("the output " + out.string() + " is another input");
    }
    if (batch.written.contains(*existing)) {
      Invalid("the output " + out.string() + " was written for another input");
    }
    if (!o.force) Io("the output " + out.string() + " exists (use --force to replace it)");
  }
  fs::path dir = out.parent_path();
  if (dir.empty()) dir = ".";
  // A hidden name beside the output, so that the rename stays on one file system.
  std::string hidden(1, '.');
  hidden += out.filename().string();
  hidden += ".XXXXXX";
  std::string temp = (dir / hidden).string();
  {
    const std::lock_guard lock(g_pending.lock);
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) Io("cannot write in " + dir.string() + ": " + std::strerror(errno));
    g_pending.temp = temp;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
  }
  try {
    const ConvertStats stats = ConvertOne(in, temp, *format, o.convert);
    const std::lock_guard lock(g_pending.lock);
    if (std::rename(temp.c_str(), out.c_str()) != 0) {
      Io("cannot write " + out.string() + ": " + std::strerror(errno));
    }
    g_pending.temp.clear();
    if (const std::optional<FileId> written = IdOf(out)) batch.written.insert(*written);
    return stats;
  } catch (...) {
    const std::lock_guard lock(g_pending.lock);
    ::unlink(temp.c_str());
    g_pending.temp.clear();
    throw;
  }
}

// A file's name as the bar shows it: at most 40 bytes, cut between UTF-8
// characters, control characters (which could drive the terminal) as '?'.
std::string ShownName(const std::string& name) {
  std::string shown = name.substr(0, 40);
  while (!shown.empty() && shown.size() < name.size() &&
         (static_cast<unsigned char>(name[shown.size()]) & 0xC0) == 0x80) {
    shown.pop_back();
  }
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
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
  const Options o = Parse(argc, argv);
  // Every thread started from here on, and LibreOffice's processes until they
  // unblock them, inherit the blocked stop signals: only the watcher takes them.
  const sigset_t stop = StopSignals();
  ::pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  std::thread(WatchSignals).detach();

  Batch batch;
  for (const std::string& file : o.files) {
    if (const std::optional<FileId> id = IdOf(file)) batch.inputs.insert(*id);
  }
  const bool bar = ::isatty(2) && o.files.size() > 1;
  std::size_t converted = 0, failed = 0, runs = 0, left_out = 0;
  bool invalid = false;
  for (std::size_t i = 0; i < o.files.size(); ++i) {
    const std::string& file = o.files[i];
    if (bar) Progress(i, o.files.size(), file);
    try {
      const ConvertStats stats = ConvertFile(file, o, batch);
      ++converted;
      runs += stats.runs;
      left_out += stats.left_out;
    } catch (const DocumentError& e) {
      if (bar) std::cerr << "\r\033[K";
      std::cerr << "harf-convert: " << file << ": " << e.what() << "\n";
      ++failed;
      invalid = invalid || e.kind() == DocumentError::Kind::Invalid;
    } catch (const std::exception& e) {
      if (bar) std::cerr << "\r\033[K";
      std::cerr << "harf-convert: " << file << ": " << e.what() << "\n";
      ++failed;
    }
  }
  if (bar) {
    Progress(o.files.size(), o.files.size(), "");
    std::cerr << "\n";
  }
  std::cerr << "harf-convert: " << o.files.size() << (o.files.size() == 1 ? " file, " : " files, ")
            << converted << " converted, " << runs << " runs converted, " << left_out
            << " characters left out, " << failed << " failed\n";
  if (invalid) return 2;
  return failed > 0 ? 1 : 0;
}
