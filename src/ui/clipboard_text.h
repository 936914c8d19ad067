// What a copy of glyph codes gives other programs.
#pragma once

#include <QByteArray>
#include <span>

#include "input/glyph_encoding.h"

class QMimeData;

namespace harf::ui {

// Glyph codes as the clipboard and the X selections carry them: one byte
// per code for X11's STRING target, and the characters of the display font's
// kind, in UTF-8, for every Unicode text target (for the stand-in U+F000+code,
// so that no code becomes a control character or a soft hyphen elsewhere).
struct ClipboardText {
  QByteArray bytes;
  QByteArray utf8;
};
ClipboardText ClipboardTextOf(std::span<const GlyphCode> codes, GlyphEncoding e);

// The same for QClipboard where Harf does not own the X selections itself
// (Wayland, Windows, macOS, offscreen): no format there carries raw bytes,
// so "text/plain" and "text/plain;charset=utf-8" both hold the font's
// characters (on Windows, a Windows-1252 kind then still reaches programs
// reading the ANSI clipboard in that code page as one byte per code).
QMimeData* GlyphMimeData(const ClipboardText& text);

}  // namespace harf::ui
