// What an interruption has to undo, and the thread that undoes it. The stop
// signals (SIGINT, SIGTERM, SIGHUP) are blocked on every other thread, so the
// clean-up runs as ordinary code, not in a signal handler.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <atomic>
#include <mutex>
#include <string>

namespace harf::convert {

// Changed only under `lock`; the watcher keeps the lock from the signal until
// the process dies, so nothing is renamed into place or started after the
// clean-up began.
struct Pending {
  std::mutex lock;
  std::string temp;       // the temporary output, empty when there is none
  std::string work;       // LibreOffice's work folder, empty when there is none
  pid_t officeGroup = 0;  // the process group of a running LibreOffice
  pid_t child = 0;        // the process converting the current file (in the batch's own process)
};
extern Pending g_pending;

// LibreOffice's process group as the batch's process sees it: a page shared
// with the child, so that LibreOffice does not outlive a child killed outright.
std::atomic<pid_t>& SharedOfficeGroup();

sigset_t StopSignals();

// Blocks the stop signals on this thread (and every thread it starts) and
// starts the watcher: on a stop signal it stops the child or LibreOffice,
// removes the temporary output and folder, and the process dies of the signal.
void WatchStopSignals();

// Kills a LibreOffice process group and waits until every process of it is
// gone, so that none writes into its folder after the folder is removed.
void StopOffice(pid_t group);

}  // namespace harf::convert
