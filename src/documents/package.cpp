#include "documents/package.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <thread>

#include "documents/handoff.h"
#include "documents/xml_part.h"

namespace harf::documents {

void Invalid(const std::string& message) {
  throw DocumentError(DocumentError::Kind::Invalid, message);
}

void Io(const std::string& message) {
  throw DocumentError(DocumentError::Kind::Io, message);
}

namespace {

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

bool g_copy_unchecked = false;

bool IsXmlName(std::string_view name) {
  auto ends = [&](std::string_view end) {
    if (name.size() < end.size()) return false;
    for (std::size_t i = 0; i < end.size(); ++i) {
      char c = name[name.size() - end.size() + i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != end[i]) return false;
    }
    return true;
  };
  return ends(".xml") || ends(".rels");
}

}  // namespace

void SetCopyUnchecked(bool unchecked) {
  g_copy_unchecked = unchecked;
}

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

void Package::CheckCopied(const std::string& name) const {
  // An entry read to its end has had its CRC checked, and an XML part read
  // to its end was parsed strictly by its reader (ParsePart, or expat on a
  // streamed part): had that failed, nothing would be written.
  if (read_whole_.contains(name)) return;
  const bool xml = !g_copy_unchecked && IsXmlName(name);
  std::optional<XmlCheck> check;
  if (xml) check.emplace(name);
  EntryReader reader(*this, name);
  std::string buffer(1 << 16, '\0');
  for (;;) {
    const std::size_t n = reader.Read(buffer.data(), buffer.size());
    if (check) check->Feed(buffer.data(), n, n == 0);
    if (n == 0) break;
  }
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
    package_->read_whole_.insert(name_);
    return 0;
  }
  const zip_int64_t n = zip_fread(file_, out, size);
  if (n < 0) Damaged();
  if (n == 0)
    Invalid("damaged zip entry " + name_ + ": its data is shorter than its header declares");
  left_ -= static_cast<std::uint64_t>(n);
  return static_cast<std::size_t>(n);
}

TempFile TempFile::Make() {
  // In $TMPDIR, where the user wants large temporary files (tmpfile() would
  // take /tmp whatever it says), and unlinked at once, so that nothing is
  // left behind however the process ends.
  const char* dir = std::getenv("TMPDIR");
  std::string path = std::string(dir && *dir ? dir : "/tmp") + "/harf-part-XXXXXX";
  const int fd = ::mkostemp(path.data(), O_CLOEXEC);
  if (fd < 0)
    Io("cannot make a temporary file in " + path.substr(0, path.size() - 17) + ": " +
       std::strerror(errno));
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
        part.packed_size += n;
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

namespace {

// libzip writes an archive through a source; this one writes straight into
// the open output file, so that neither the whole package in memory nor a
// temporary file of libzip's own (left behind by an interrupt) is needed.
struct FileSink {
  int fd = -1;
  zip_error_t error;

  zip_int64_t Fail(int zip_code) {
    zip_error_set(&error, zip_code, errno);
    return -1;
  }

  static zip_int64_t Callback(void* user, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* self = static_cast<FileSink*>(user);
    switch (cmd) {
      case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_WRITABLE;
      case ZIP_SOURCE_STAT: {
        // A new archive: nothing to read from the file.
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &self->error);
        if (!st) return -1;
        zip_stat_init(st);
        st->size = 0;
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
      }
      case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&self->error, data, len);
      case ZIP_SOURCE_OPEN:
      case ZIP_SOURCE_CLOSE:
      case ZIP_SOURCE_FREE:
      case ZIP_SOURCE_COMMIT_WRITE:
        return 0;
      case ZIP_SOURCE_READ:
      case ZIP_SOURCE_TELL:
        return 0;
      case ZIP_SOURCE_SEEK:
        return 0;
      case ZIP_SOURCE_BEGIN_WRITE:
      case ZIP_SOURCE_ROLLBACK_WRITE:
      case ZIP_SOURCE_REMOVE:
        if (::ftruncate(self->fd, 0) != 0 || ::lseek(self->fd, 0, SEEK_SET) != 0) {
          return self->Fail(ZIP_ER_WRITE);
        }
        return 0;
      case ZIP_SOURCE_WRITE: {
        const char* p = static_cast<const char*>(data);
        zip_uint64_t done = 0;
        while (done < len) {
          const ssize_t w = ::write(self->fd, p + done, static_cast<std::size_t>(len - done));
          if (w < 0 && errno == EINTR) continue;
          if (w <= 0) return self->Fail(ZIP_ER_WRITE);
          done += static_cast<zip_uint64_t>(w);
        }
        return static_cast<zip_int64_t>(len);
      }
      case ZIP_SOURCE_SEEK_WRITE: {
        auto* args = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, len, &self->error);
        if (!args) return -1;
        if (::lseek(self->fd, args->offset, args->whence) < 0) return self->Fail(ZIP_ER_SEEK);
        return 0;
      }
      case ZIP_SOURCE_TELL_WRITE: {
        const off_t at = ::lseek(self->fd, 0, SEEK_CUR);
        if (at < 0) return self->Fail(ZIP_ER_TELL);
        return at;
      }
      default:
        zip_error_set(&self->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
  }
};

// A part deflated beforehand, handed to libzip with its sizes and checksum
// so that it is stored as it is, not inflated and deflated again.
struct DeflatedSource {
  DeflatedPart part;
  zip_error_t error;
  std::time_t mtime = 0;

  static zip_int64_t Callback(void* user, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* self = static_cast<DeflatedSource*>(user);
    std::FILE* file = self->part.file.get();
    switch (cmd) {
      case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_READABLE;
      case ZIP_SOURCE_OPEN:
        std::rewind(file);
        return 0;
      case ZIP_SOURCE_READ: {
        const std::size_t n = std::fread(data, 1, static_cast<std::size_t>(len), file);
        if (n == 0 && std::ferror(file)) {
          zip_error_set(&self->error, ZIP_ER_READ, errno);
          return -1;
        }
        return static_cast<zip_int64_t>(n);
      }
      case ZIP_SOURCE_CLOSE:
        return 0;
      case ZIP_SOURCE_STAT: {
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &self->error);
        if (!st) return -1;
        zip_stat_init(st);
        st->size = self->part.size;
        st->comp_size = self->part.packed_size;
        st->crc = self->part.crc;
        st->comp_method = ZIP_CM_DEFLATE;
        st->mtime = self->mtime;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD |
                     ZIP_STAT_MTIME;
        return sizeof(zip_stat_t);
      }
      case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&self->error, data, len);
      case ZIP_SOURCE_FREE:
        zip_error_fini(&self->error);
        delete self;
        return 0;
      default:
        zip_error_set(&self->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
  }
};

}  // namespace

void Package::WriteCopy(const std::string& out, std::map<std::string, NewPart> replaced) const {
  // libzip copies an entry's compressed bytes without looking at them: each
  // is read through here first.
  for (const std::string& name : Names()) {
    if (!replaced.contains(name)) CheckCopied(name);
  }
  FileSink sink;
  zip_error_init(&sink.error);
  sink.fd = ::open(out.c_str(), O_WRONLY | O_CLOEXEC);
  if (sink.fd < 0) Io("cannot write " + out + ": " + std::strerror(errno));
  struct Closer {
    FileSink& sink;
    ~Closer() {
      if (sink.fd >= 0) ::close(sink.fd);
      zip_error_fini(&sink.error);
    }
  } closer{sink};

  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* target = zip_source_function_create(&FileSink::Callback, &sink, &error);
  if (!target) Io("cannot make the package: " + ZipMessage(&error));
  zip_t* dest = zip_open_from_source(target, ZIP_TRUNCATE, &error);
  if (!dest) {
    zip_source_free(target);
    Io("cannot make the package: " + ZipMessage(&error));
  }
  auto fail = [&](const std::string& what) {
    const std::string message = what + ": " + zip_strerror(dest);
    zip_discard(dest);
    Io(message);
  };

  const zip_int64_t count = zip_get_num_entries(zip_, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    const char* name = zip_get_name(zip_, index, 0);
    if (!name) fail("cannot read an entry name");
    zip_source_t* source = nullptr;
    const auto changed = replaced.find(name);
    if (changed == replaced.end()) {
      // Start 0 and length -1: the entry is copied without inflating it.
      source = zip_source_zip(dest, zip_, index, 0, 0, -1);
    } else if (changed->second.deflated.file) {
      auto* deflated = new DeflatedSource{std::move(changed->second.deflated), {}, 0};
      zip_error_init(&deflated->error);
      zip_stat_t st;
      zip_stat_init(&st);
      if (zip_stat_index(zip_, index, 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME)) {
        deflated->mtime = st.mtime;
      } else {
        deflated->mtime = std::time(nullptr);
      }
      // From here on the source owns it and frees it.
      source = zip_source_function(dest, &DeflatedSource::Callback, deflated);
      if (!source) {
        zip_error_fini(&deflated->error);
        delete deflated;
      }
    } else {
      const std::string& bytes = changed->second.bytes;
      source = zip_source_buffer(dest, bytes.data(), bytes.size(), 0);
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
  const int fd = sink.fd;
  sink.fd = -1;
  if (::close(fd) != 0) Io("cannot write " + out + ": " + std::strerror(errno));
}

namespace {

// An .odt's mimetype, or empty when it has none (or one too long to be one).
std::string MimetypeOf(const Package& package) {
  if (!package.Has("mimetype") || package.Size("mimetype") > 256) return {};
  return package.Read("mimetype");
}

bool IsTextMimetype(std::string_view type) {
  return type == "application/vnd.oasis.opendocument.text" ||
         type == "application/vnd.oasis.opendocument.text-template" ||
         type == "application/vnd.oasis.opendocument.text-master";
}

}  // namespace

PackageKind SniffPackage(const Package& package) {
  if (package.Has("[Content_Types].xml")) {
    pugi::xml_document types;
    ParsePart(types, package, "[Content_Types].xml");
    for (const pugi::xml_node o : types.child("Types").children("Override")) {
      const std::string_view type = o.attribute("ContentType").value();
      if ((type.starts_with("application/vnd.openxmlformats-officedocument.wordprocessingml.") ||
           type.starts_with("application/vnd.ms-word.")) &&
          type.ends_with(".main+xml")) {
        return PackageKind::Docx;
      }
    }
  }
  if (IsTextMimetype(MimetypeOf(package))) return PackageKind::Odt;
  return PackageKind::Other;
}

namespace {

// The part [Content_Types].xml names as a .docx's main document.
std::string DocxMainPart(const Package& package) {
  pugi::xml_document types;
  ParsePart(types, package, "[Content_Types].xml");
  for (const pugi::xml_node o : types.child("Types").children("Override")) {
    const std::string_view type = o.attribute("ContentType").value();
    if (type.ends_with(".main+xml")) {
      std::string name = o.attribute("PartName").value();
      if (!name.empty() && name.front() == '/') name.erase(0, 1);
      return name;
    }
  }
  return {};
}

}  // namespace

void RequirePackage(const Package& package, PackageKind expected) {
  const PackageKind kind = SniffPackage(package);
  if (expected == PackageKind::Docx && kind != PackageKind::Docx) {
    if (kind == PackageKind::Odt) Invalid("not a .docx document: it is an OpenDocument file");
    if (!package.Has("[Content_Types].xml")) {
      Invalid("not a .docx document: no [Content_Types].xml");
    }
    Invalid("not a .docx document: no main document part");
  }
  if (expected == PackageKind::Odt && kind != PackageKind::Odt) {
    if (kind == PackageKind::Docx) {
      Invalid("not an .odt document: it is an Office Open XML (.docx) file");
    }
    if (!package.Has("mimetype")) Invalid("not an .odt document: no mimetype");
    Invalid("not an .odt document: its type is " + MimetypeOf(package).substr(0, 80));
  }
  const std::string main = kind == PackageKind::Docx ? DocxMainPart(package) : "content.xml";
  if (!package.Has(main)) Invalid("no main part " + main + " in the package");
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
