#include "pending.h"

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <new>
#include <thread>

namespace harf::convert {

Pending g_pending;

namespace {

constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};

// Set by the watcher once it runs; lives as long as the process.
std::atomic<bool> g_watching{false};

void Watch() {
  const sigset_t set = StopSignals();
  g_watching = true;
  g_watching.notify_all();
  int sig = 0;
  while (::sigwait(&set, &sig) != 0) {
  }
  g_pending.lock.lock();  // held until the end: the main thread stops at its next step
  if (g_pending.child > 0) {
    // The child undoes its own work; it is waited for so that its output is
    // gone before the caller sees us die.
    ::kill(g_pending.child, sig);
    int status = 0;
    while (::waitpid(g_pending.child, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (g_pending.officeGroup > 0) StopOffice(g_pending.officeGroup);
  if (!g_pending.temp.empty()) ::unlink(g_pending.temp.c_str());
  if (!g_pending.work.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(g_pending.work, ec);
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

}  // namespace

std::atomic<pid_t>& SharedOfficeGroup() {
  // Made before the first fork, in every process the same page.
  static std::atomic<pid_t>* const shared = [] {
    void* page = ::mmap(nullptr, sizeof(std::atomic<pid_t>), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    static std::atomic<pid_t> unshared{0};  // no page: only this process sees it
    return page == MAP_FAILED ? &unshared : new (page) std::atomic<pid_t>(0);
  }();
  return *shared;
}

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int sig : kStopSignals) sigaddset(&set, sig);
  return set;
}

void WatchStopSignals() {
  const sigset_t stop = StopSignals();
  ::pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  // Started for good before anything forks: a thread half-way through its
  // start could hold a lock (an allocator's) that a child would inherit held.
  g_watching = false;
  std::thread(Watch).detach();
  g_watching.wait(false);
}

void StopOffice(pid_t group) {
  ::kill(-group, SIGKILL);
  for (int i = 0; i < 500 && ::kill(-group, 0) == 0; ++i) ::usleep(10000);
}

}  // namespace harf::convert
