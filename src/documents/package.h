// Zip packages (.docx, .odt) read and written through libzip: every entry
// checked on opening, changed parts written anew and every other entry copied
// as it is stored, byte for byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct zip;
struct zip_file;

namespace harf::documents {

// Why a document could not be converted. Invalid: the input is not what it
// claims to be or is unsafe to open (bad usage of the tool, exit status 2);
// Io: reading or writing failed (exit status 1).
class DocumentError : public std::runtime_error {
 public:
  enum class Kind { Invalid, Io };
  DocumentError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

// Limits against zip bombs: an entry larger than this, or this many times
// larger than its compressed size, is refused before anything is inflated.
inline constexpr std::uint64_t kMaxEntrySize = 512ull << 20;
inline constexpr std::uint64_t kMaxEntryRatio = 200;

// An unnamed temporary file (gone with the process, however it ends) that
// holds a part written anew, so that a large part is never held in memory.
class TempFile {
 public:
  TempFile() = default;
  // Makes the file; Io when the temporary folder cannot take it.
  static TempFile Make();
  ~TempFile();
  TempFile(TempFile&& other) noexcept : file_(other.release()) {}
  TempFile& operator=(TempFile&& other) noexcept;

  explicit operator bool() const { return file_ != nullptr; }
  std::FILE* get() const { return file_; }
  std::FILE* release() {
    std::FILE* f = file_;
    file_ = nullptr;
    return f;
  }
  // Appends bytes; Io when the disk is full.
  void Write(const char* data, std::size_t size);

 private:
  std::FILE* file_ = nullptr;
};

class Package;

// One entry read a piece at a time; the entry's size, checked against the
// limits when the package was opened, bounds what is read.
class EntryReader {
 public:
  EntryReader(const Package& package, std::string_view name);
  ~EntryReader();
  EntryReader(const EntryReader&) = delete;
  EntryReader& operator=(const EntryReader&) = delete;

  // Up to size bytes into out; 0 at the end. Damaged data is Invalid.
  std::size_t Read(char* out, std::size_t size);

 private:
  zip_file* file_ = nullptr;
  std::string name_;
  std::uint64_t left_ = 0;
};

// A part written anew and deflated, as a zip entry stores it.
struct DeflatedPart {
  TempFile file;  // the deflated bytes
  std::uint64_t size = 0;
  std::uint64_t packed_size = 0;
  std::uint32_t crc = 0;
};

// Takes a new part's bytes as they are made and deflates them on a second
// thread into a temporary file: making the part and packing it, the two
// largest costs of converting a long document, run side by side, and only a
// few buffers are held at any time.
class PartWriter {
 public:
  PartWriter();
  ~PartWriter();
  PartWriter(const PartWriter&) = delete;
  PartWriter& operator=(const PartWriter&) = delete;

  // Io when the temporary file cannot be written.
  void Write(const char* data, std::size_t size);
  // The whole part; the writer is done with.
  DeflatedPart Finish();

 private:
  static constexpr std::size_t kBuffer = 1 << 18;
  struct Shared;
  void Hand();
  std::unique_ptr<Shared> shared_;
  std::string buffer_;
};

// A part written anew: its bytes, or a file of them deflated.
struct NewPart {
  std::string bytes;
  DeflatedPart deflated;
};

class Package {
 public:
  // Opens the zip at path and checks every entry: not a zip archive,
  // encrypted entries and entries past the limits above are Invalid.
  explicit Package(const std::string& path);
  ~Package();
  Package(const Package&) = delete;
  Package& operator=(const Package&) = delete;

  bool Has(std::string_view name) const;
  std::vector<std::string> Names() const;
  // The uncompressed bytes of an entry; a missing entry is Invalid.
  std::string Read(std::string_view name) const;
  // The same into a buffer of Size(name) bytes, for callers that own the memory.
  std::size_t Size(std::string_view name) const;
  void ReadInto(std::string_view name, char* out, std::size_t size) const;

  // Writes the package to out, an existing file written in place: entries
  // in `replaced` get the new bytes, every other entry is copied compressed
  // as it is, in the same order.
  void WriteCopy(const std::string& out, std::map<std::string, NewPart> replaced) const;

 private:
  // Refuses encrypted entries and entries past the limits.
  void CheckEntries() const;

  friend class EntryReader;
  zip* zip_ = nullptr;
  std::string path_;
};

}  // namespace harf::documents
