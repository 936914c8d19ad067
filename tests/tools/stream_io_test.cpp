// The command-line programs' line reader and output: random input through a
// real pipe read with buffers of every small size, and each kind of failure
// turned into an IoError.
#include "stream_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "input/utf8.h"

namespace harf::tools {
namespace {

struct Line {
  std::string bytes;
  bool utf8Cuts = true;  // every piece but the last ended on a whole sequence
};

// Writes `input` into a pipe from another thread, in random short writes, and
// reads it back with a buffer of `capacity` bytes.
std::vector<Line> ReadThroughPipe(const std::string& input, std::size_t capacity,
                                  std::mt19937& rng) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  std::thread writer([&input, fd = fds[1], seed = rng()] {
    std::mt19937 r(seed);
    for (std::size_t i = 0; i < input.size();) {
      const std::size_t n = std::min<std::size_t>(1 + r() % 50, input.size() - i);
      i += static_cast<std::size_t>(write(fd, input.data() + i, n));
    }
    close(fd);
  });
  std::vector<Line> lines;
  PieceReader reader(fds[0], {}, true, "pipe", capacity);
  LinePiece p;
  bool open = false;
  while (reader.Next(p)) {
    if (!open) lines.emplace_back();
    EXPECT_EQ(p.line, lines.size());
    EXPECT_EQ(p.offset, lines.back().bytes.size());
    lines.back().bytes += p.bytes;
    if (!p.ends && IncompleteUtf8Tail(p.bytes) != 0) lines.back().utf8Cuts = false;
    open = !p.ends;
  }
  EXPECT_FALSE(open);
  writer.join();
  close(fds[0]);
  return lines;
}

TEST(PieceReader, GivesTheLinesOfRandomInputWithAnyBuffer) {
  std::mt19937 rng(20261208);
  const std::vector<std::string> parts = {
      "\n", "\r\n", "b", "\xd8\xa8", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "\xff", " "};
  for (int round = 0; round < 300; ++round) {
    std::string input;
    const std::size_t n = rng() % 200;
    for (std::size_t i = 0; i < n; ++i) input += parts[rng() % parts.size()];
    std::vector<std::string> expected;
    std::size_t start = 0;
    while (start < input.size()) {
      const std::size_t lf = input.find('\n', start);
      const std::size_t end = lf == std::string::npos ? input.size() : lf;
      expected.push_back(input.substr(start, end - start));
      start = end + 1;
    }
    const std::size_t capacity = 8 + rng() % 24;
    const std::vector<Line> lines = ReadThroughPipe(input, capacity, rng);
    ASSERT_EQ(lines.size(), expected.size()) << "capacity " << capacity;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].bytes, expected[i]);
      EXPECT_TRUE(lines[i].utf8Cuts) << "line " << i + 1;
    }
  }
}

// A line is handed on before the reader waits for more: whoever answers it
// (the hook flushes the output) does so before the next read blocks.
TEST(PieceReader, HandsOnEachLineBeforeWaitingForTheNext) {
  alarm(10);  // a reader that reads ahead blocks for good: fail instead
  int in[2];
  ASSERT_EQ(pipe(in), 0);
  PieceReader reader(in[0], {}, true, "pipe");
  LinePiece p;
  for (const std::string line : {"first", "", "third"}) {
    const std::string bytes = line + "\n";
    ASSERT_EQ(write(in[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ASSERT_TRUE(reader.Next(p));  // would block forever if it read on first
    EXPECT_EQ(p.bytes, line);
    EXPECT_TRUE(p.ends);
  }
  close(in[1]);
  EXPECT_FALSE(reader.Next(p));
  close(in[0]);
  alarm(0);
}

TEST(StreamIo, FailuresAreIoErrors) {
  const int dir = open("/", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(dir, 0);
  PieceReader reader(dir, {}, true, "a folder");
  LinePiece p;
  EXPECT_THROW(reader.Next(p), IoError);
  close(dir);

  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  Output out(full, "/dev/full", 16);
  out.Write("short");
  try {
    out.Write(" and then more than the buffer holds");
    ADD_FAILURE() << "a write to a full device succeeded";
  } catch (const IoError& e) {
    EXPECT_EQ(std::string(e.what()), "error writing /dev/full: No space left on device");
  }
  close(full);

  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  close(fds[1]);
  EXPECT_THROW(RequireOpen(fds[0], "closed"), IoError);
  EXPECT_NO_THROW(RequireOpen(STDERR_FILENO, "standard error"));
}

}  // namespace
}  // namespace harf::tools
