// Opening a package: every entry checked before anything is inflated, and
// entries read back a piece at a time with their sizes and CRCs checked.
#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <cstring>
#include <set>
#include <string>

#include "documents/package.h"

namespace harf::documents {

void Invalid(const std::string& message) {
  throw DocumentError(DocumentError::Kind::Invalid, message);
}

void Io(const std::string& message) {
  throw DocumentError(DocumentError::Kind::Io, message);
}

namespace {

// Word writes an encrypted .docx as an OLE compound file, the same container
// as a Word 97 .doc; tell the user rather than saying "not a zip".
bool IsCompoundFile(const std::string& path) {
  static constexpr unsigned char kMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  unsigned char head[8] = {};
  const ssize_t n = ::read(fd, head, sizeof head);
  ::close(fd);
  return n == 8 && std::memcmp(head, kMagic, 8) == 0;
}

// libzip refuses a zip with two entries of one name without saying which;
// opened again without its consistency checks, the archive tells.
std::string DuplicateName(const std::string& path) {
  int code = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (!z) return {};
  std::set<std::string> seen;
  std::string duplicate;
  const zip_int64_t count = zip_get_num_entries(z, 0);
  for (zip_int64_t i = 0; i < count && duplicate.empty(); ++i) {
    const char* name = zip_get_name(z, static_cast<zip_uint64_t>(i), 0);
    if (name && !seen.emplace(name).second) duplicate = name;
  }
  zip_discard(z);
  return duplicate;
}

}  // namespace

Package::Package(const std::string& path) : path_(path) {
  int code = 0;
  zip_ = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
  if (!zip_ && code == ZIP_ER_EXISTS) {
    const std::string name = DuplicateName(path);
    Invalid(name.empty() ? std::string("two zip entries have the same name")
                         : "two zip entries are named " + name);
  }
  if (!zip_) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const std::string message = zip_error_strerror(&error);
    zip_error_fini(&error);
    if (code == ZIP_ER_OPEN || code == ZIP_ER_READ || code == ZIP_ER_MEMORY) {
      Io("cannot read: " + message);
    }
    if (IsCompoundFile(path)) {
      Invalid("not a zip package: an encrypted document or an old binary (.doc) file");
    }
    Invalid("not a zip package (" + message + ")");
  }
  // A refused package is closed here: the destructor of a constructor that
  // throws never runs.
  try {
    CheckEntries();
  } catch (...) {
    zip_discard(zip_);
    zip_ = nullptr;
    throw;
  }
}

void Package::CheckEntries() const {
  const zip_int64_t count = zip_get_num_entries(zip_, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip_, static_cast<zip_uint64_t>(i), 0, &st) != 0) {
      Invalid("unreadable zip entry " + std::to_string(i));
    }
    const std::string name = (st.valid & ZIP_STAT_NAME) ? st.name : std::to_string(i);
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
      Invalid("encrypted document (entry " + name + " is encrypted)");
    }
    if ((st.valid & ZIP_STAT_SIZE) && st.size > kMaxEntrySize) {
      Invalid("zip entry " + name + " unpacks to " + std::to_string(st.size) +
              " bytes, more than the limit of " + std::to_string(kMaxEntrySize >> 20) + " MB");
    }
    // Small entries are left out of the ratio check: a few kilobytes of
    // repeated markup compress that well and can do no harm.
    if ((st.valid & ZIP_STAT_SIZE) && (st.valid & ZIP_STAT_COMP_SIZE) && st.size > (1u << 20) &&
        st.size > kMaxEntryRatio * st.comp_size) {
      Invalid("zip entry " + name + " unpacks to more than " + std::to_string(kMaxEntryRatio) +
              " times its packed size (" + std::to_string(st.size) + " from " +
              std::to_string(st.comp_size) + " bytes)");
    }
  }
}

Package::~Package() {
  if (zip_) zip_discard(zip_);
}

bool Package::Has(std::string_view name) const {
  return zip_name_locate(zip_, std::string(name).c_str(), 0) >= 0;
}

std::vector<std::string> Package::Names() const {
  std::vector<std::string> names;
  const zip_int64_t count = zip_get_num_entries(zip_, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(zip_, static_cast<zip_uint64_t>(i), 0);
    names.emplace_back(name ? name : "");
  }
  return names;
}

std::size_t Package::Size(std::string_view name) const {
  const std::string entry(name);
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(zip_, entry.c_str(), 0, &st) != 0) Invalid("no " + entry + " in the package");
  return static_cast<std::size_t>(st.size);
}

std::string Package::Read(std::string_view name) const {
  std::string data(Size(name), '\0');
  ReadInto(name, data.data(), data.size());
  return data;
}

void Package::ReadInto(std::string_view name, char* out, std::size_t size) const {
  EntryReader reader(*this, name);
  std::size_t done = 0;
  while (done < size) {
    const std::size_t n = reader.Read(out + done, size - done);
    if (n == 0) break;
    done += n;
  }
  if (done != size) Invalid("damaged zip entry " + std::string(name));
  // Reading the end checks the CRC.
  reader.Read(out, 0);
}

EntryReader::EntryReader(const Package& package, std::string_view name)
    : package_(&package), name_(name) {
  left_ = package.Size(name);
  file_ = zip_fopen(package.zip_, name_.c_str(), 0);
  if (!file_) Invalid("cannot open " + name_ + ": " + zip_strerror(package.zip_));
}

EntryReader::~EntryReader() {
  if (file_) zip_fclose(file_);
}

void EntryReader::Damaged() const {
  zip_error_t* error = zip_file_get_error(file_);
  switch (zip_error_code_zip(error)) {
    case ZIP_ER_CRC:
      Invalid("damaged zip entry " + name_ + ": its data does not match its CRC");
    case ZIP_ER_INCONS:
      Invalid("damaged zip entry " + name_ + ": its data is not the size its header declares");
    default:
      Invalid("damaged zip entry " + name_ + ": " + zip_error_strerror(error));
  }
}

std::size_t EntryReader::Read(char* out, std::size_t size) {
  // Reading stops at the size checked against the limits, whatever the
  // compressed data holds.
  if (size > left_) size = static_cast<std::size_t>(left_);
  if (size == 0) {
    if (!file_ || left_ != 0) return 0;
    // At the declared end one more read lets libzip compare the CRC (it does
    // so only at the end of the data) and shows data longer than declared.
    char extra = 0;
    const zip_int64_t n = zip_fread(file_, &extra, 1);
    if (n < 0) Damaged();
    if (n > 0) {
      Invalid("damaged zip entry " + name_ + ": its data is longer than its header declares");
    }
    zip_fclose(file_);
    file_ = nullptr;
    package_->readWhole_.insert(name_);
    return 0;
  }
  const zip_int64_t n = zip_fread(file_, out, size);
  if (n < 0) Damaged();
  if (n == 0)
    Invalid("damaged zip entry " + name_ + ": its data is shorter than its header declares");
  left_ -= static_cast<std::uint64_t>(n);
  return static_cast<std::size_t>(n);
}

std::string FindDamagedEntry(const std::string& path) {
  try {
    const Package package(path);
    std::string buffer(1 << 16, '\0');
    for (const std::string& name : package.Names()) {
      EntryReader reader(package, name);
      while (reader.Read(buffer.data(), buffer.size()) != 0) {
      }
    }
  } catch (const DocumentError& e) {
    if (e.kind() == DocumentError::Kind::Invalid) return e.what();
  }
  return {};
}

}  // namespace harf::documents
