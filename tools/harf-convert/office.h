// .doc and .rtf through LibreOffice: it makes a .docx of the input, which is
// converted and made back into the input's format.
#pragma once

#include <filesystem>
#include <string>

#include "documents/convert.h"

namespace harf::convert {

enum class OfficeFormat { Doc, Rtf };

// The input's own signature is checked first (an OLE compound file for .doc,
// `{\rtf` for .rtf; an RTF named .doc is read and written back as RTF): a file
// that is neither is Invalid, and LibreOffice is never started for it.
documents::ConvertStats ConvertThroughOffice(const std::filesystem::path& in,
                                             const std::string& out, OfficeFormat format,
                                             const documents::ConvertOptions& o);

// Removes work folders that runs killed outright (SIGKILL) left in the
// temporary folder: those of processes no longer running.
void SweepOfficeFolders();

}  // namespace harf::convert
