// Where a file's output goes, and writing it safely: into a hidden temporary
// file beside it, renamed into place only when complete, with the mode a new
// file gets under the user's umask.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "documents/convert.h"
#include "options.h"

namespace harf::convert {

// A file by its identity, so that two paths naming one file are seen as one.
struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  // NOLINTNEXTLINE(modernize-use-nullptr): clang-tidy 14 misreads the defaulted <=>.
  auto operator<=>(const FileId&) const = default;
};
std::optional<FileId> IdOf(const std::filesystem::path& p);

// What a batch must not write over: its inputs, the later ones not yet read
// included, and the outputs it wrote already.
struct Batch {
  std::set<FileId> inputs;
  std::set<FileId> written;
};

// Takes the umask once, before any thread could be changing it.
void TakeUmask();

std::filesystem::path OutputOf(const std::filesystem::path& in, const Options& o);

// Converts one file into a temporary file beside its output and renames it
// into place when complete; the temporary file is gone whatever happens.
documents::ConvertStats ConvertFile(const std::filesystem::path& in, const Options& o,
                                    const Batch& batch);

// Whether a temporary file or folder whose name carries `pid` was left by a
// run that has ended (killed outright): owned by us, and its process gone, or
// not a harf-convert and the entry untouched for an hour.
bool LeftByEndedRun(const std::filesystem::path& entry, const std::string& pid);

// Removes from `dir` the hidden temporary outputs that ended runs left.
void SweepTemporaryOutputs(const std::filesystem::path& dir);

}  // namespace harf::convert
