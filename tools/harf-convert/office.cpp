#include "office.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "documents/package.h"
#include "output_file.h"
#include "pending.h"

namespace harf::convert {
namespace {

namespace fs = std::filesystem;
using documents::ConvertStats;
using documents::Invalid;
using documents::Io;

constexpr std::string_view kFolderPrefix = "harf-convert.";

// What the file's first bytes say it is; LibreOffice would import anything,
// random bytes included, as plain text.
enum class Signature { Ole, Rtf, Other };

Signature SignatureOf(const fs::path& in) {
  static constexpr unsigned char kOle[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  const int fd = ::open(in.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Io(std::string("cannot read: ") + std::strerror(errno));
  unsigned char head[8] = {};
  std::size_t got = 0;
  while (got < sizeof head) {
    const ssize_t n = ::read(fd, head + got, sizeof head - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (got == 8 && std::memcmp(head, kOle, 8) == 0) return Signature::Ole;
  if (got >= 5 && std::memcmp(head, "{\\rtf", 5) == 0) return Signature::Rtf;
  return Signature::Other;
}

// LibreOffice runs under the limits the user started us with, not under the
// one a single file's conversion gets: its own start needs more.
struct OfficeLimits {
  rlimit saved{};
  bool changed = false;
  OfficeLimits() {
    if (::getrlimit(RLIMIT_DATA, &saved) == 0 && saved.rlim_cur != saved.rlim_max) {
      rlimit raised = saved;
      raised.rlim_cur = saved.rlim_max;
      changed = ::setrlimit(RLIMIT_DATA, &raised) == 0;
    }
  }
  ~OfficeLimits() {
    if (changed) ::setrlimit(RLIMIT_DATA, &saved);
  }
};

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
    const OfficeLimits limits;
    rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), env.data());
    if (rc == 0) {
      g_pending.officeGroup = pid;
      SharedOfficeGroup() = pid;
    }
  }
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  {
    const std::lock_guard lock(g_pending.lock);
    g_pending.officeGroup = 0;
    SharedOfficeGroup() = 0;
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

}  // namespace

void SweepOfficeFolders() {
  std::error_code ec;
  const fs::path tmp = fs::temp_directory_path(ec);
  if (ec) return;
  for (fs::directory_iterator it(tmp, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with(kFolderPrefix)) continue;
    // harf-convert.PID.XXXXXX
    const std::string rest = name.substr(kFolderPrefix.size());
    const std::size_t dot = rest.find('.');
    if (dot == std::string::npos || rest.size() - dot - 1 != 6) continue;
    if (LeftByEndedRun(it->path(), rest.substr(0, dot))) {
      std::error_code ignored;
      fs::remove_all(it->path(), ignored);
    }
  }
}

ConvertStats ConvertThroughOffice(const fs::path& in, const std::string& out, OfficeFormat format,
                                  const documents::ConvertOptions& o) {
  const Signature signature = SignatureOf(in);
  if (format == OfficeFormat::Rtf && signature != Signature::Rtf) {
    Invalid("not an RTF document: it does not begin with {\\rtf");
  }
  if (format == OfficeFormat::Doc && signature == Signature::Other) {
    Invalid("not a Word 97-2003 (.doc) document: no OLE compound file header");
  }
  if (format == OfficeFormat::Xls && signature != Signature::Ole) {
    Invalid("not an Excel 97-2003 (.xls) workbook: no OLE compound file header");
  }
  if (format == OfficeFormat::Ppt && signature != Signature::Ole) {
    Invalid("not a PowerPoint 97-2003 (.ppt) presentation: no OLE compound file header");
  }
  // The format LibreOffice makes to convert, the converter, the filter that
  // writes the input's format back and the package that brings it.
  struct Route {
    const char* ext;
    const char* via;
    const char* filter;
    ConvertStats (*convert)(const std::string&, const std::string&,
                            const documents::ConvertOptions&);
    const char* package;
  };
  const bool rtf = signature == Signature::Rtf;
  const Route route =
      format == OfficeFormat::Xls ? Route{"xls", "xlsx", "xls:MS Excel 97", documents::ConvertXlsx,
                                          "libreoffice-calc-nogui"}
      : format == OfficeFormat::Ppt ? Route{"ppt", "pptx", "ppt:MS PowerPoint 97",
                                            documents::ConvertPptx, "libreoffice-impress-nogui"}
      : rtf ? Route{"rtf", "docx", "rtf", documents::ConvertDocx, "libreoffice-writer-nogui"}
            : Route{"doc", "docx", "doc:MS Word 97", documents::ConvertDocx,
                    "libreoffice-writer-nogui"};
  const std::string ext = format == OfficeFormat::Rtf   ? "rtf"
                          : format == OfficeFormat::Doc ? "doc"
                                                        : route.ext;
  if (!OnPath("soffice")) {
    Io("cannot convert ." + ext + " files without LibreOffice: install the Debian package " +
       route.package);
  }
  SweepOfficeFolders();
  // The pid in the name tells a later run whether the folder's owner still runs.
  std::string pattern = (fs::temp_directory_path() /
                         (std::string(kFolderPrefix) + std::to_string(::getpid()) + ".XXXXXX"))
                            .string();
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
  fs::create_directories(work / "in");
  fs::create_directories(work / "back");
  fs::create_directories(work / "tmp");
  const std::string readExt = route.ext;
  const std::string via = route.via;
  const fs::path source = work / ("document." + readExt);
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
      !fs::exists(work / "back" / ("document." + readExt))) {
    Io("LibreOffice could not write the ." + ext + " document back");
  }
  fs::copy_file(work / "back" / ("document." + readExt), out, fs::copy_options::overwrite_existing);
  return stats;
}

}  // namespace harf::convert
