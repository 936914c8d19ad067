#include "output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>

#include "documents/package.h"
#include "formats.h"
#include "pending.h"

namespace harf::convert {
namespace {

namespace fs = std::filesystem;
using documents::ConvertStats;
using documents::Direction;
using documents::Invalid;
using documents::Io;

// A temporary output is named .NAME.harf-PID-XXXXXX beside its output.
constexpr std::string_view kTempTag = ".harf-";
constexpr std::time_t kStaleAge = 3600;

mode_t g_new_file_mode = 0644;

bool IsHarfConvert(const std::string& pid) {
  std::ifstream comm("/proc/" + pid + "/comm");
  std::string name;
  return std::getline(comm, name) && name == "harf-convert";
}

}  // namespace

std::optional<FileId> IdOf(const fs::path& p) {
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
}

void TakeUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  g_new_file_mode = 0666 & ~mask;
}

fs::path OutputOf(const fs::path& in, const Options& o) {
  if (o.out) return *o.out;
  const std::string tag = o.convert.to == Direction::ToUnicode ? ".unicode" : ".legacy";
  // A PDF's text is written as plain text.
  const std::optional<Format> format = FormatOf(in);
  const std::string ext = format && OutputFormatOf(*format) != *format
                              ? ExtensionOf(OutputFormatOf(*format))
                              : in.extension().string();
  const fs::path name = in.stem().string() + tag + ext;
  if (o.outDir) return fs::path(*o.outDir) / name;
  return in.parent_path() / name;
}

bool LeftByEndedRun(const fs::path& entry, const std::string& pid) {
  if (pid.empty() || pid.size() > 9 || pid.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  struct stat st {};
  if (::lstat(entry.c_str(), &st) != 0 || st.st_uid != ::getuid()) return false;
  const pid_t owner = static_cast<pid_t>(std::stol(pid));
  if (owner <= 0) return false;
  if (::kill(owner, 0) != 0 && errno == ESRCH) return true;
  // The number may be another host's (a shared folder) or taken by a new process.
  return std::time(nullptr) - st.st_mtime > kStaleAge && !IsHarfConvert(pid);
}

void SweepTemporaryOutputs(const fs::path& dir) {
  std::error_code ec;
  for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() < 1 + kTempTag.size() + 8 || name.front() != '.') continue;
    const std::size_t tag = name.rfind(kTempTag);
    const std::size_t dash = name.rfind('-');
    if (tag == std::string::npos || dash != name.size() - 7 || dash <= tag + kTempTag.size()) {
      continue;
    }
    const std::string pid = name.substr(tag + kTempTag.size(), dash - tag - kTempTag.size());
    if (it->is_regular_file() && LeftByEndedRun(it->path(), pid)) {
      ::unlink(it->path().c_str());
    }
  }
}

ConvertStats ConvertFile(const fs::path& in, const Options& o, const Batch& batch) {
  const std::optional<Format> format = FormatOf(in);
  if (!format) {
    Invalid("unknown kind of file (expected " + KnownExtensions() + ")");
  }
  struct stat st {};
  if (::stat(in.c_str(), &st) != 0) Io(std::string("cannot read: ") + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) Io("not a regular file");
  const fs::path out = OutputOf(in, o);
  if (const std::optional<Format> named = FormatOf(out);
      named && *named != OutputFormatOf(*format)) {
    Invalid("the output " + out.string() + " is named as a " + ExtensionOf(*named) +
            " file, but a " + ExtensionOf(OutputFormatOf(*format)) + " file would be written");
  }
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
  // A hidden name beside the output, so that the rename stays on one file
  // system; the pid tells a later run whether the file was left by a killed one.
  std::string hidden(1, '.');
  hidden += out.filename().string();
  hidden += std::string(kTempTag) + std::to_string(::getpid()) + "-XXXXXX";
  std::string temp = (dir / hidden).string();
  {
    const std::lock_guard lock(g_pending.lock);
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) Io("cannot write in " + dir.string() + ": " + std::strerror(errno));
    g_pending.temp = temp;
    ::close(fd);
  }
  try {
    const ConvertStats stats = ConvertOne(in, temp, *format, o.convert);
    const std::lock_guard lock(g_pending.lock);
    // Set last: a copy made by LibreOffice's path may have changed it.
    if (::chmod(temp.c_str(), g_new_file_mode) != 0) {
      Io("cannot write " + out.string() + ": " + std::strerror(errno));
    }
    if (std::rename(temp.c_str(), out.c_str()) != 0) {
      Io("cannot write " + out.string() + ": " + std::strerror(errno));
    }
    g_pending.temp.clear();
    return stats;
  } catch (...) {
    const std::lock_guard lock(g_pending.lock);
    ::unlink(temp.c_str());
    g_pending.temp.clear();
    throw;
  }
}

}  // namespace harf::convert
