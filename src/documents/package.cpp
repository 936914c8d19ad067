#include "documents/package.h"

#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>

namespace harf::documents {
namespace {

[[noreturn]] void Invalid(const std::string& message) {
  throw DocumentError(DocumentError::Kind::Invalid, message);
}

[[noreturn]] void Io(const std::string& message) {
  throw DocumentError(DocumentError::Kind::Io, message);
}

std::string ZipMessage(zip_error_t* error) {
  return zip_error_strerror(error);
}

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

}  // namespace

Package::Package(const std::string& path) : path_(path) {
  int code = 0;
  zip_ = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
  if (!zip_) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const std::string message = ZipMessage(&error);
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
              " bytes, more than the limit of 512 MB");
    }
    // Small entries are left out of the ratio check: a few kilobytes of
    // repeated markup compress that well and can do no harm.
    if ((st.valid & ZIP_STAT_SIZE) && (st.valid & ZIP_STAT_COMP_SIZE) && st.size > (1u << 20) &&
        st.size > kMaxEntryRatio * st.comp_size) {
      Invalid("zip entry " + name + " unpacks to more than 200 times its packed size (" +
              std::to_string(st.size) + " from " + std::to_string(st.comp_size) + " bytes)");
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
  const std::string entry(name);
  zip_file_t* file = zip_fopen(zip_, entry.c_str(), 0);
  if (!file) Invalid("cannot open " + entry + ": " + zip_strerror(zip_));
  // The size was checked against the limits when the package was opened;
  // reading stops there whatever the compressed data holds.
  std::size_t done = 0;
  while (done < size) {
    const zip_int64_t n = zip_fread(file, out + done, size - done);
    if (n < 0) {
      const std::string message = zip_file_strerror(file);
      zip_fclose(file);
      Invalid("damaged zip entry " + entry + ": " + message);
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  zip_fclose(file);
  if (done != size) Invalid("damaged zip entry " + entry);
}

void Package::WriteCopy(const std::string& out,
                        const std::map<std::string, std::string>& replaced) const {
  // The new package is built in memory and written to `out` in one go, so
  // that libzip leaves no temporary file of its own behind on an interrupt.
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (!buffer) Io("out of memory");
  zip_t* dest = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
  if (!dest) {
    zip_source_free(buffer);
    Io("cannot make the package: " + ZipMessage(&error));
  }
  zip_source_keep(buffer);
  auto fail = [&](const std::string& what) {
    const std::string message = what + ": " + zip_strerror(dest);
    zip_discard(dest);
    zip_source_free(buffer);
    Io(message);
  };

  const zip_int64_t count = zip_get_num_entries(zip_, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    const char* name = zip_get_name(zip_, index, 0);
    if (!name) fail("cannot read an entry name");
    zip_source_t* source = nullptr;
    const auto changed = replaced.find(name);
    if (changed != replaced.end()) {
      source = zip_source_buffer(dest, changed->second.data(), changed->second.size(), 0);
    } else {
      // Start 0 and length -1: the entry is copied without inflating it.
      source = zip_source_zip(dest, zip_, index, 0, 0, -1);
    }
    if (!source) fail(std::string("cannot copy ") + name);
    const zip_int64_t added = zip_file_add(dest, name, source, ZIP_FL_ENC_UTF_8);
    if (added < 0) {
      zip_source_free(source);
      fail(std::string("cannot add ") + name);
    }
    if (changed != replaced.end()) {
      zip_stat_t st;
      zip_stat_init(&st);
      if (zip_stat_index(zip_, index, 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME)) {
        zip_file_set_mtime(dest, static_cast<zip_uint64_t>(added), st.mtime, 0);
      }
      zip_set_file_compression(dest, static_cast<zip_uint64_t>(added), ZIP_CM_DEFLATE, 6);
    }
  }
  if (zip_close(dest) != 0) fail("cannot finish the package");

  if (zip_source_open(buffer) != 0) {
    zip_source_free(buffer);
    Io("cannot read the new package back");
  }
  const int fd = ::open(out.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) {
    zip_source_close(buffer);
    zip_source_free(buffer);
    Io("cannot write " + out + ": " + std::strerror(errno));
  }
  std::string chunk(1 << 16, '\0');
  bool ok = true;
  while (ok) {
    const zip_int64_t n = zip_source_read(buffer, chunk.data(), chunk.size());
    if (n < 0) ok = false;
    if (n <= 0) break;
    for (zip_int64_t off = 0; ok && off < n;) {
      const ssize_t w = ::write(fd, chunk.data() + off, static_cast<std::size_t>(n - off));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0)
        ok = false;
      else
        off += w;
    }
  }
  zip_source_close(buffer);
  zip_source_free(buffer);
  if (::close(fd) != 0) ok = false;
  if (!ok) Io("cannot write " + out + ": " + std::strerror(errno));
}

}  // namespace harf::documents
