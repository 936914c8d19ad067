// The input and output discipline of Harf's command-line programs: read line
// by line in pieces of bounded size, so that memory does not grow with the
// input; write through one buffer that is flushed before every read that may
// wait, so that on a pipe each line is answered as soon as it has been read;
// and turn every failed read or write into an IoError instead of a silent
// exit.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace harf::tools {

// A read or write that failed; what() is one line for standard error, such as
// "error reading standard input: Is a directory".
class IoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Fails with IoError unless `fd` is open (a program started with standard
// input or output closed must say so even when it has nothing to read or
// write), naming it as `name`.
void RequireOpen(int fd, std::string_view name);

// Buffered writes to a file descriptor.
class Output {
 public:
  explicit Output(int fd, std::string_view name = "standard output",
                  std::size_t capacity = std::size_t{1} << 16);
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void Write(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= capacity_) Flush();
  }
  void Put(char byte) {
    buffer_.push_back(byte);
    if (buffer_.size() >= capacity_) Flush();
  }
  // Writes out everything buffered, retrying partial writes.
  void Flush();

 private:
  int fd_;
  std::string name_;
  std::size_t capacity_;
  std::string buffer_;
};

// One piece of an input line. A line comes in one piece when it fits the
// reader's buffer, otherwise in several; the last one has `ends` set. The line
// feed itself is in no piece; a carriage return before it is.
struct LinePiece {
  std::string_view bytes;  // valid until the next call of Next
  std::size_t line = 0;    // 1-based number of the line
  std::size_t offset = 0;  // byte offset of bytes.front() in the line
  bool ends = false;       // the line ends after this piece
};

class PieceReader {
 public:
  // `beforeWait` runs before every read that may block (typically the output's
  // Flush). With `wholeUtf8`, a piece that does not end its line never ends in
  // the middle of a UTF-8 sequence, so each piece decodes on its own.
  explicit PieceReader(int fd, std::function<void()> beforeWait = {}, bool wholeUtf8 = true,
                       std::string_view name = "standard input",
                       std::size_t capacity = std::size_t{1} << 16);
  PieceReader(const PieceReader&) = delete;
  PieceReader& operator=(const PieceReader&) = delete;

  // The next piece; false at the end of input. Empty input has no line; input
  // that does not end with a line feed ends with its last line all the same.
  bool Next(LinePiece& piece);

 private:
  // Reads more into the free end of the buffer; false at end of input.
  bool Fill();

  int fd_;
  std::function<void()> beforeWait_;
  bool wholeUtf8_;
  std::string name_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;  // unread bytes are buffer_[begin_, end_)
  std::size_t end_ = 0;
  bool eof_ = false;
  std::size_t line_ = 1;
  std::size_t offset_ = 0;  // bytes of the current line handed out so far
  bool midLine_ = false;    // a piece of the current line went out already
};

}  // namespace harf::tools
