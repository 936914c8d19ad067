// Zip packages (.docx, .odt) read and written through libzip: every entry
// checked on opening, changed parts written anew and every other entry copied
// as it is stored, byte for byte.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct zip;

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

  // Writes the package to out: entries in `replaced` get the new bytes,
  // every other entry is copied compressed as it is, in the same order.
  void WriteCopy(const std::string& out, const std::map<std::string, std::string>& replaced) const;

 private:
  // Refuses encrypted entries and entries past the limits.
  void CheckEntries() const;

  zip* zip_ = nullptr;
  std::string path_;
};

}  // namespace harf::documents
