// Writing a package anew: the entries that are copied are read through and
// checked first, then every entry goes to the output file in its order,
// changed parts from their new bytes, every other entry as it is stored.
#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "documents/package.h"
#include "documents/xml_part.h"

namespace harf::documents {
namespace {

std::string ZipMessage(zip_error_t* error) {
  return zip_error_strerror(error);
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

void Package::CheckCopied(const std::string& name) const {
  // An entry read to its end has had its CRC checked, and an XML part read
  // to its end was parsed strictly by its reader (ParsePart, or expat on a
  // streamed part): had that failed, nothing would be written.
  if (readWhole_.contains(name)) return;
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

namespace {

// libzip writes an archive through a source; this one writes straight into
// the open output file, so that neither the whole package in memory nor a
// temporary file of libzip's own (left behind by an interrupt) is needed.
struct FileSink {
  int fd = -1;
  zip_error_t error;

  zip_int64_t Fail(int zipCode) {
    zip_error_set(&error, zipCode, errno);
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
      // Nothing to open, close, free or commit: the file is the caller's and
      // is written in place. Nothing to read: the archive is new.
      case ZIP_SOURCE_OPEN:
      case ZIP_SOURCE_CLOSE:
      case ZIP_SOURCE_FREE:
      case ZIP_SOURCE_COMMIT_WRITE:
      case ZIP_SOURCE_READ:
      case ZIP_SOURCE_TELL:
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
        st->comp_size = self->part.packedSize;
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

}  // namespace harf::documents
