#include "isolated.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <new>
#include <thread>
#include <type_traits>

#include "documents/package.h"
#include "pending.h"

namespace harf::convert {
namespace {

using documents::ConvertStats;
using documents::DocumentError;

// The outcome crosses the pipe as its bytes.
static_assert(std::is_trivially_copyable_v<ConvertStats>);

struct Header {
  std::int32_t kind = 0;
  std::uint32_t messageSize = 0;
  ConvertStats stats;
};

bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size != 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string ReadAll(int fd) {
  std::string data;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  return data;
}

// The process's data segment now, in bytes: the limit is set above it, so
// that it bounds what the conversion adds (and holds under the sanitizers,
// whose shadow memory counts too).
std::uint64_t DataSize() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("VmData:")) return std::stoull(line.substr(7)) * 1024;
  }
  return 0;
}

void LimitMemory(std::size_t mib) {
  if (mib == 0) return;
  rlimit limit{};
  if (::getrlimit(RLIMIT_DATA, &limit) != 0) return;
  const rlim_t wanted = static_cast<rlim_t>(DataSize() + (std::uint64_t{mib} << 20));
  if (limit.rlim_max == RLIM_INFINITY || wanted < limit.rlim_max) limit.rlim_cur = wanted;
  ::setrlimit(RLIMIT_DATA, &limit);
}

[[noreturn]] void RunChild(int out, pid_t parent, const std::filesystem::path& in, const Options& o,
                           const Batch& batch) {
  // The parent held the lock across fork so that its watcher could not be
  // holding it; this copy of it belongs to nobody else.
  g_pending.lock.unlock();
  g_pending.child = 0;
  // The child dies with the batch, cleaning up as on any stop signal.
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  WatchStopSignals();
  if (::getppid() != parent) ::kill(::getpid(), SIGTERM);
  LimitMemory(o.memoryLimitMib);
  documents::SetCopyUnchecked(o.copyUnchecked);

  Header header;
  std::string message;
  try {
    header.stats = ConvertFile(in, o, batch);
  } catch (const DocumentError& e) {
    header.kind = static_cast<std::int32_t>(
        e.kind() == DocumentError::Kind::Invalid ? Outcome::Kind::Invalid : Outcome::Kind::Io);
    message = e.what();
  } catch (const std::bad_alloc&) {
    header.kind = static_cast<std::int32_t>(Outcome::Kind::Io);
    message = "out of memory: more than the limit of " + std::to_string(o.memoryLimitMib) +
              " MiB (--memory-limit)";
  } catch (const std::exception& e) {
    header.kind = static_cast<std::int32_t>(Outcome::Kind::Io);
    message = e.what();
  }
  header.messageSize = static_cast<std::uint32_t>(message.size());
  const bool sent =
      WriteAll(out, &header, sizeof header) && WriteAll(out, message.data(), message.size());
  // Threads of the conversion may still hold locks: no destructors, no atexit.
  ::_exit(sent ? 0 : 1);
}

}  // namespace

Outcome ConvertIsolated(const std::filesystem::path& in, const Options& o, const Batch& batch) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    return {Outcome::Kind::Io, {}, std::string("cannot start a process: ") + std::strerror(errno)};
  }
  const pid_t parent = ::getpid();
  pid_t pid = 0;
  {
    g_pending.lock.lock();
    pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      RunChild(fds[1], parent, in, o, batch);
    }
    if (pid > 0) g_pending.child = pid;
    g_pending.lock.unlock();
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    return {Outcome::Kind::Io, {}, std::string("cannot start a process: ") + std::strerror(errno)};
  }
  const std::string data = ReadAll(fds[0]);
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  {
    // Blocks for good when a stop signal is being handled: we die there.
    const std::lock_guard lock(g_pending.lock);
    g_pending.child = 0;
  }
  // A child killed outright could not stop its LibreOffice.
  if (const pid_t office = SharedOfficeGroup().exchange(0); office > 0) StopOffice(office);
  if (WIFSIGNALED(status)) {
    return {Outcome::Kind::Io, {}, "crashed (signal " + std::to_string(WTERMSIG(status)) + ")"};
  }
  Header header;
  if (data.size() < sizeof header) {
    return {
        Outcome::Kind::Io, {}, "failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")"};
  }
  std::memcpy(&header, data.data(), sizeof header);
  Outcome outcome;
  outcome.kind = static_cast<Outcome::Kind>(header.kind);
  outcome.stats = header.stats;
  outcome.message = data.substr(sizeof header, header.messageSize);
  return outcome;
}

}  // namespace harf::convert
