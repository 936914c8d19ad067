#include "stream_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "input/utf8.h"

namespace harf::tools {
namespace {

[[noreturn]] void Throw(std::string_view what, std::string_view name, int error) {
  throw IoError(std::string(what) + " " + std::string(name) + ": " + std::strerror(error));
}

}  // namespace

void RequireOpen(int fd, std::string_view name) {
  if (fcntl(fd, F_GETFD) == -1) Throw("cannot use", name, errno);
}

Output::Output(int fd, std::string_view name, std::size_t capacity)
    : fd_(fd), name_(name), capacity_(capacity) {
  buffer_.reserve(capacity_);
}

void Output::Flush() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      buffer_.clear();  // nothing more is tried after a failure
      Throw("error writing", name_, error);
    }
    done += static_cast<std::size_t>(n);
  }
  buffer_.clear();
}

PieceReader::PieceReader(int fd, std::function<void()> beforeWait, bool wholeUtf8,
                         std::string_view name, std::size_t capacity)
    : fd_(fd),
      beforeWait_(std::move(beforeWait)),
      wholeUtf8_(wholeUtf8),
      name_(name),
      buffer_(capacity < 8 ? 8 : capacity) {}

bool PieceReader::Fill() {
  if (eof_) return false;
  if (begin_ > 0) {  // make room at the end
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (beforeWait_) beforeWait_();
  while (true) {
    const ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (n > 0) {
      end_ += static_cast<std::size_t>(n);
      return true;
    }
    if (n == 0) {
      eof_ = true;
      return false;
    }
    if (errno != EINTR) Throw("error reading", name_, errno);
  }
}

bool PieceReader::Next(LinePiece& piece) {
  while (true) {
    const char* data = buffer_.data();
    const void* lf = std::memchr(data + begin_, '\n', end_ - begin_);
    std::size_t stop = 0;
    bool ends = false;
    std::size_t skip = 0;  // the line feed
    if (lf != nullptr) {
      stop = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
      ends = true;
      skip = 1;
    } else if (eof_) {
      if (begin_ == end_ && !midLine_) return false;
      stop = end_;
      ends = true;
    } else if (end_ < buffer_.size() || begin_ > 0) {
      Fill();
      continue;
    } else {
      // A full buffer without a line end: hand it on, keeping back the start
      // of a sequence that the next read completes.
      stop = end_;
      if (wholeUtf8_) {
        stop -= IncompleteUtf8Tail(std::string_view(data + begin_, end_ - begin_));
      }
    }
    piece.bytes = std::string_view(data + begin_, stop - begin_);
    piece.line = line_;
    piece.offset = offset_;
    piece.ends = ends;
    begin_ = stop + skip;
    if (ends) {
      ++line_;
      offset_ = 0;
      midLine_ = false;
    } else {
      offset_ += piece.bytes.size();
      midLine_ = true;
    }
    return true;
  }
}

}  // namespace harf::tools
