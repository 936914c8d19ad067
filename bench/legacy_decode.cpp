// Legacy glyph-code bytes to Unicode text: reads a file of lines of 8-bit
// glyph codes (display order, lines split at LF or CR LF), reads every line
// back into letters and writes it as UTF-8 Unicode in logical order, through
// the same core path as harf-shape --from bytes --format unicode. bench/
// legacy_decode.sh times it against iconv on the same file.
//   harf_legacy_decode FILE > OUT
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "input/glyph_reader.h"

namespace {

bool WriteAll(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(1, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: harf_legacy_decode FILE > OUT\n");
    return 2;
  }
  const int fd = open(argv[1], O_RDONLY);
  if (fd < 0) {
    std::fprintf(stderr, "harf_legacy_decode: %s: %s\n", argv[1], std::strerror(errno));
    return 1;
  }
  std::vector<unsigned char> buffer(1 << 16);
  std::vector<harf::GlyphCode> line;  // the line being read, as long as the longest line
  std::string out;
  std::size_t skipped = 0;
  auto endLine = [&] {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    skipped += harf::AppendUnicodeOfCodes(line, out);
    out.push_back('\n');
    line.clear();
  };
  while (true) {
    const ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      std::fprintf(stderr, "harf_legacy_decode: %s: %s\n", argv[1], std::strerror(errno));
      return 1;
    }
    if (n == 0) break;
    for (ssize_t i = 0; i < n; ++i) {
      if (buffer[i] == '\n') {
        endLine();
      } else {
        line.push_back(buffer[i]);
      }
    }
    if (out.size() >= (1 << 16)) {
      if (!WriteAll(out)) return 1;
      out.clear();
    }
  }
  if (!line.empty()) endLine();
  if (!WriteAll(out)) return 1;
  if (skipped > 0) std::fprintf(stderr, "harf_legacy_decode: %zu codes skipped\n", skipped);
  return 0;
}
