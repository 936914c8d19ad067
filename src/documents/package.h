// Zip packages (.docx, .odt) read and written through libzip: every entry
// checked on opening, changed parts written anew and every other entry copied
// as it is stored, byte for byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
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

// Throw a DocumentError of that kind: every reader fails through these.
[[noreturn]] void Invalid(const std::string& message);
[[noreturn]] void Io(const std::string& message);

// Limits against zip bombs: an entry larger than this, or this many times
// larger than its compressed size, is refused before anything is inflated.
inline constexpr std::uint64_t kMaxEntrySize = 512ull << 20;
inline constexpr std::uint64_t kMaxEntryRatio = 200;
// Messages and --help give the size limit in whole MB.
static_assert(kMaxEntrySize % (1u << 20) == 0);

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

  // Up to size bytes into out; 0 at the end. Damaged data, a CRC that does
  // not match and data longer or shorter than its header says are Invalid,
  // found at the latest when the end is read.
  std::size_t Read(char* out, std::size_t size);

 private:
  [[noreturn]] void Damaged() const;
  const Package* package_;
  zip_file* file_ = nullptr;
  std::string name_;
  std::uint64_t left_ = 0;
};

// A part written anew and deflated, as a zip entry stores it.
struct DeflatedPart {
  TempFile file;  // the deflated bytes
  std::uint64_t size = 0;
  std::uint64_t packedSize = 0;
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
  // as it is, in the same order. Before anything is written every copied
  // entry not read to its end already is read through once: a damaged entry,
  // or an XML part that is not well-formed (unless SetCopyUnchecked), is
  // Invalid, so that a damaged package never comes out with fresh checksums.
  // Every reader of XML parts here parses them strictly (ParsePart, expat on
  // streamed parts), so a part read to its end needs no second look.
  void WriteCopy(const std::string& out, std::map<std::string, NewPart> replaced) const;

 private:
  // Refuses encrypted entries and entries past the limits.
  void CheckEntries() const;
  // Reads an entry to its end to check its data (and its XML).
  void CheckCopied(const std::string& name) const;

  friend class EntryReader;
  zip* zip_ = nullptr;
  std::string path_;
  mutable std::set<std::string> readWhole_;  // entries read to their end, CRC checked
};

// Whether XML parts copied unchanged are checked to be well-formed (the
// default) or copied whatever they hold, as the user may ask. One setting for
// the process, because each format's converter opens its own package.
void SetCopyUnchecked(bool unchecked);

// What a package is, whatever its file is called.
enum class PackageKind { Docx, Odt, Other };

// The kind of an open package: a .docx declares a Word main document part in
// [Content_Types].xml, an .odt names a text document in its mimetype.
PackageKind SniffPackage(const Package& package);

// Refuses (Invalid) a package that is not of the kind its extension says, or
// whose main part (the one [Content_Types].xml names; content.xml) is missing.
void RequirePackage(const Package& package, PackageKind expected);

// The first entry of the zip at path whose data is damaged (a CRC or size
// that does not match, compressed data that cannot be inflated), as a
// message naming it; empty when every entry reads back whole. For telling
// damage from malformed XML after a conversion failed.
std::string FindDamagedEntry(const std::string& path);

}  // namespace harf::documents
