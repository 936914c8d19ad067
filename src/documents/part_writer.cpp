// Parts written anew: a temporary file to hold them, and a writer that
// deflates them on a second thread while the converter is still making them.
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "documents/handoff.h"
#include "documents/package.h"

namespace harf::documents {

TempFile TempFile::Make() {
  // In $TMPDIR, where the user wants large temporary files (tmpfile() would
  // take /tmp whatever it says), and unlinked at once, so that nothing is
  // left behind however the process ends.
  const char* dir = std::getenv("TMPDIR");
  const std::string folder = dir && *dir ? dir : "/tmp";
  std::string path = folder + "/harf-part-XXXXXX";
  const int fd = ::mkostemp(path.data(), O_CLOEXEC);
  if (fd < 0) Io("cannot make a temporary file in " + folder + ": " + std::strerror(errno));
  ::unlink(path.c_str());
  TempFile t;
  t.file_ = ::fdopen(fd, "w+b");
  if (!t.file_) {
    ::close(fd);
    Io(std::string("cannot make a temporary file: ") + std::strerror(errno));
  }
  return t;
}

TempFile::~TempFile() {
  if (file_) std::fclose(file_);
}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
  if (this != &other) {
    if (file_) std::fclose(file_);
    file_ = other.release();
  }
  return *this;
}

void TempFile::Write(const char* data, std::size_t size) {
  if (size != 0 && std::fwrite(data, 1, size, file_) != size) {
    Io(std::string("cannot write a temporary file: ") + std::strerror(errno));
  }
}

// What the two threads of a PartWriter share: full buffers waiting to be
// deflated, a few at most, so that the maker waits for the packer rather than
// filling memory.
struct PartWriter::Shared {
#ifdef HARF_SINGLE_THREAD
  // Built without threads (the browser's): every buffer waits here and is
  // deflated at Finish, so the part is held whole once.
  Handoff<std::string> buffers{SIZE_MAX};
#else
  Handoff<std::string> buffers{4};
#endif
  std::string error;  // why the packer failed
  DeflatedPart part;
  std::thread packer;

  void Pack() {
    z_stream z{};
    // Raw deflate at zlib's default level, what zip entries hold.
    if (deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
      Fail("cannot start deflating");
      return;
    }
    std::string out(1 << 17, '\0');
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
      std::optional<std::string> in = buffers.Take();
      if (!in && buffers.abandoned()) break;
      const bool last = !in;
      if (in) {
        crc = crc32_z(crc, reinterpret_cast<const Bytef*>(in->data()), in->size());
        part.size += in->size();
        z.next_in = reinterpret_cast<Bytef*>(in->data());
        z.avail_in = static_cast<uInt>(in->size());
      }
      int status = Z_OK;
      do {
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        status = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
        const std::size_t n = out.size() - z.avail_out;
        if (n != 0 && std::fwrite(out.data(), 1, n, part.file.get()) != n) {
          deflateEnd(&z);
          Fail(std::string("cannot write a temporary file: ") + std::strerror(errno));
          return;
        }
        part.packedSize += n;
      } while (z.avail_out == 0 || (last && status != Z_STREAM_END));
      if (last) break;
    }
    deflateEnd(&z);
    part.crc = static_cast<std::uint32_t>(crc);
  }

  void Fail(const std::string& why) {
    error = why;
    buffers.Abandon();
  }
};

PartWriter::PartWriter() : shared_(std::make_unique<Shared>()) {
  shared_->part.file = TempFile::Make();
#ifndef HARF_SINGLE_THREAD
  shared_->packer = std::thread([s = shared_.get()] {
    ::pthread_setname_np(::pthread_self(), "harf-deflate");
    s->Pack();
  });
#endif
}

PartWriter::~PartWriter() {
  if (!shared_->packer.joinable()) return;
  shared_->buffers.Abandon();
  shared_->packer.join();
}

void PartWriter::Write(const char* data, std::size_t size) {
  buffer_.append(data, size);
  if (buffer_.size() >= kBuffer) Hand();
}

void PartWriter::Hand() {
  if (!shared_->buffers.Give(std::move(buffer_))) Io(shared_->error);
  buffer_ = std::string();
  buffer_.reserve(kBuffer);
}

DeflatedPart PartWriter::Finish() {
  if (!buffer_.empty()) Hand();
  shared_->buffers.Close();
#ifdef HARF_SINGLE_THREAD
  shared_->Pack();
#else
  shared_->packer.join();
#endif
  if (!shared_->error.empty()) Io(shared_->error);
  if (std::fflush(shared_->part.file.get()) != 0) {
    Io(std::string("cannot write a temporary file: ") + std::strerror(errno));
  }
  return std::move(shared_->part);
}

}  // namespace harf::documents
