// The web page's way into the core: one keyboard model, driven through a small
// C interface. Text crosses as UTF-16 (what JavaScript strings hold) or UTF-8
// in one shared buffer; the page reads it right after the call that filled it.
// Everything the page shows or decides comes from here: the keys, their
// captions, pictures and tooltips, what a typed character or a released key
// does, the line, the text area and what a copy writes.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "input/bidi_order.h"
#include "input/glyph_encoding.h"
#include "input/key_faces.h"
#include "input/pasted_text.h"
#include "input/typist.h"
#include "input/utf8.h"
#include "tables/letter_names.h"

namespace {

// The browser's NFKC (String.prototype.normalize), in two steps: the first
// normalises and returns the length in UTF-16 units, which bounds the number
// of code points; the second writes the code points and returns their number.
// The core carries no Unicode tables of its own.
EM_JS(int, BrowserNfkc, (const char32_t* text, int length), {
  const from = text >> 2;
  let s = "";
  for (let i = 0; i < length; i += 4096) {
    s += String.fromCodePoint(... HEAPU32.subarray(from + i, from + Math.min(i + 4096, length)));
  }
  Module.harfNfkc = s.normalize("NFKC");
  return Module.harfNfkc.length;
});
EM_JS(int, TakeBrowserNfkc, (char32_t* out), {
  const to = out >> 2;
  let n = 0;
  for (const ch of Module.harfNfkc) HEAPU32[to + n++] = ch.codePointAt(0);
  Module.harfNfkc = null;
  return n;
});

std::size_t Nfkc(std::u32string_view line, std::u32string& out) {
  std::u32string scalars;
  scalars.reserve(line.size());
  std::size_t dropped = 0;
  for (const char32_t c : line) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      ++dropped;
    } else {
      scalars.push_back(c);
    }
  }
  const int room = BrowserNfkc(scalars.data(), static_cast<int>(scalars.size()));
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(room));
  out.resize(at + static_cast<std::size_t>(TakeBrowserNfkc(out.data() + at)));
  return dropped;
}

harf::Typist typist(harf::Layout::Systematic, {Nfkc, harf::PlainBidiOrder});

// The last answer handed to the page, and the page's input for the next call.
std::string out;
std::u16string in;
// What a copy writes; the page keeps the user's choice.
// The symbol kind by default: it survives text boxes and rich text unchanged,
// where Latin-1 puts a soft hyphen, C1 controls and a no-break space.
harf::GlyphEncoding copyEncoding = harf::GlyphEncoding::Symbol;

void SetResult(std::u16string_view s) {
  out.assign(reinterpret_cast<const char*>(s.data()), s.size() * sizeof(char16_t));
}

void SetResultUtf8(std::string_view s) {
  out.assign(s);
}

// UTF-32 to UTF-16 and back, by hand: a few lines, and the core carries no
// converter. A lone surrogate is no character: it becomes U+FFFD, which a
// paste leaves out and counts.
std::u16string Utf16(std::u32string_view text) {
  std::u16string s;
  s.reserve(text.size());
  for (const char32_t c : text) {
    if (c < 0x10000) {
      s.push_back(static_cast<char16_t>(c));
    } else {
      s.push_back(static_cast<char16_t>(0xD7C0 + (c >> 10)));
      s.push_back(static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
    }
  }
  return s;
}

std::u32string Utf32(std::u16string_view text) {
  std::u32string s;
  s.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      s.push_back(0x10000 + ((u - 0xD800) << 10) + (text[++i] - 0xDC00));
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      s.push_back(0xFFFD);
    } else {
      s.push_back(u);
    }
  }
  return s;
}

// The JSON is written by hand: its shape is fixed and small, and the core
// takes no library for it.
void JsonString(std::string& j, std::string_view s) {
  j.push_back('"');
  for (const char c : s) {
    switch (c) {
      case '"':
        j += "\\\"";
        break;
      case '\\':
        j += "\\\\";
        break;
      case '\n':
        j += "\\n";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          static constexpr char kHex[] = "0123456789abcdef";
          j += "\\u00";
          j.push_back(kHex[(c >> 4) & 0xF]);
          j.push_back(kHex[c & 0xF]);
        } else {
          j.push_back(c);
        }
    }
  }
  j.push_back('"');
}

void JsonRect(std::string& j, const harf::TwipsRect& r) {
  j += "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.width) +
       "," + std::to_string(r.height) + "]";
}

}  // namespace

extern "C" {

// The answer buffer: its address and its size in bytes.
EMSCRIPTEN_KEEPALIVE const char* harf_out() {
  return out.data();
}
EMSCRIPTEN_KEEPALIVE int harf_out_size() {
  return static_cast<int>(out.size());
}

// Room for `units` UTF-16 code units of input; the page writes them there.
EMSCRIPTEN_KEEPALIVE char16_t* harf_in(int units) {
  in.assign(static_cast<std::size_t>(units < 0 ? 0 : units), u'\0');
  return in.data();
}

// The keyboard as JSON (UTF-8): both layouts' keys with their places,
// captions, caption fonts, pictures, letters and what their tooltips tell, the frames and the
// captions of the layout switch.
EMSCRIPTEN_KEEPALIVE void harf_keyboard_json() {
  std::string j = "{\"frame\":";
  JsonRect(j, harf::kLayoutFrame);
  j += ",\"enter\":";
  JsonRect(j, harf::kEnterButton);
  j += ",\"backspace\":";
  JsonRect(j, harf::kBackspaceButton);
  j += ",\"keyb\":[";
  JsonString(j, harf::KeybCaption(harf::Layout::Systematic));
  j += ",";
  JsonString(j, harf::KeybCaption(harf::Layout::Arabic));
  j += "],\"keys\":[";
  for (const harf::KeyDef& k : harf::Keys()) {
    if (k.index > 0) j += ",";
    j += "{\"layout\":" + std::to_string(static_cast<int>(k.frame)) + ",\"caption\":";
    JsonString(j, k.caption);
    j += ",\"rect\":";
    JsonRect(j, {k.left, k.top, k.width, k.height});
    j += ",\"points\":" + std::to_string(k.font.points);
    j += std::string(",\"bold\":") + (k.font.bold ? "true" : "false");
    j += std::string(",\"enabled\":") + (k.enabled ? "true" : "false");
    j += ",\"picture\":";
    JsonString(j, harf::EncodeUtf8(harf::KeyPictureText(k.picture)));
    // What the tooltip tells, for the page to word (input/messages.h).
    const harf::KeyHelp help = harf::HelpOfKey(k.index);
    j += ",\"letter\":";
    JsonString(j,
               help.letter == harf::kNoLetter ? std::string_view() : harf::LetterName(help.letter));
    j += ",\"how\":" + std::to_string(static_cast<int>(help.how));
    j += ",\"typed\":";
    JsonString(j, harf::EncodeUtf8(std::u32string(help.typed.begin(), help.typed.end())));
    j += ",\"other\":" + std::to_string(static_cast<int>(help.other));
    j += "}";
  }
  j += "]}";
  SetResultUtf8(j);
}

// A character typed on the physical keyboard (13 for Enter).
EMSCRIPTEN_KEEPALIVE void harf_type(std::uint32_t typed) {
  typist.Type(static_cast<char32_t>(typed));
}

// A click on on-screen key `index`.
EMSCRIPTEN_KEEPALIVE void harf_press(int index) {
  if (index < 0 || index >= harf::kKeyCount) return;
  typist.Press(static_cast<harf::KeyIndex>(index));
}

// What releasing the key with virtual key code `code` does, without doing it
// (the page must hold back the browser's own use of F5 and F7 before the
// release comes): the value of harf::ReleaseAction.
EMSCRIPTEN_KEEPALIVE int harf_key_up_action(int code) {
  return static_cast<int>(harf::DecideKeyUp(code));
}

// The release of the key with virtual key code `code`; returns what it did.
EMSCRIPTEN_KEEPALIVE int harf_release(int code) {
  return static_cast<int>(typist.Release(code));
}

// A caret key pressed in the line: 0 Left, 1 Right (harf::CursorMove).
EMSCRIPTEN_KEEPALIVE void harf_move_cursor(int move) {
  typist.MoveCursor(move == 1 ? harf::CursorMove::Right : harf::CursorMove::Left);
}

EMSCRIPTEN_KEEPALIVE void harf_click_line() {
  typist.ClickLine();
}

EMSCRIPTEN_KEEPALIVE void harf_enter() {
  typist.Enter();
}

EMSCRIPTEN_KEEPALIVE void harf_backspace() {
  typist.Backspace();
}

EMSCRIPTEN_KEEPALIVE void harf_clear_line() {
  typist.ClearLine();
}

EMSCRIPTEN_KEEPALIVE void harf_clear_text() {
  typist.ClearText();
}

EMSCRIPTEN_KEEPALIVE void harf_switch_layout() {
  typist.SwitchLayout();
}

// 0 Systematic, 1 Arabic.
EMSCRIPTEN_KEEPALIVE int harf_layout_shown() {
  return static_cast<int>(typist.shown());
}

EMSCRIPTEN_KEEPALIVE int harf_cursor() {
  return static_cast<int>(typist.line().cursor());
}

// The text area only grows between two clears, so its clear count and its
// number of lines tell the page whether it must repaint it.
EMSCRIPTEN_KEEPALIVE double harf_text_clears() {
  return static_cast<double>(typist.text().clears());
}
EMSCRIPTEN_KEEPALIVE int harf_text_lines() {
  return static_cast<int>(typist.text().lines().size());
}

// What the label says: the value of harf::Message (0 while it shows its
// credit line) and its count.
EMSCRIPTEN_KEEPALIVE int harf_said() {
  return static_cast<int>(typist.said().message);
}
EMSCRIPTEN_KEEPALIVE double harf_said_count() {
  return static_cast<double>(typist.said().count);
}

// Whether a key pressed with these modifiers is a command, not a character.
EMSCRIPTEN_KEEPALIVE int harf_is_command_chord(int ctrl, int alt, int meta) {
  return harf::IsCommandChord(ctrl != 0, alt != 0, meta != 0) ? 1 : 0;
}

// The line as the box shows it (UTF-16, U+F000 + code, left to right).
EMSCRIPTEN_KEEPALIVE void harf_line_box() {
  SetResult(harf::EncodeCodesUtf16(typist.line().Codes(), harf::GlyphEncoding::Symbol));
}

// The text area as the box shows it from line `first` on, lines separated
// by U+000A (a line after the first starts with one): the text area only
// grows between two clears, so the page appends what is new.
EMSCRIPTEN_KEEPALIVE void harf_text_box(int first) {
  SetResult(Utf16(typist.text().Chars(harf::GlyphEncoding::Symbol, U"\n",
                                      first < 0 ? 0 : static_cast<std::size_t>(first))));
}

// Chooses what a copy writes by the encoding's name ("symbol", "latin1",
// "windows-1252", read from the input buffer); 0 for a name the core does not
// know, which leaves the choice as it was.
EMSCRIPTEN_KEEPALIVE int harf_set_encoding() {
  std::string name;
  for (const char16_t u : in) {
    if (u > 0x7F) return 0;  // every name is ASCII
    name.push_back(static_cast<char>(u));
  }
  const auto e = harf::ParseEncodingName(name);
  if (!e) return 0;
  copyEncoding = *e;
  return 1;
}

// The name of the encoding a copy writes.
EMSCRIPTEN_KEEPALIVE void harf_encoding() {
  SetResultUtf8(harf::EncodingName(copyEncoding));
}

// What a copy of the line writes to the clipboard (UTF-16).
EMSCRIPTEN_KEEPALIVE void harf_line_copy() {
  SetResult(harf::EncodeCodesUtf16(typist.CopyLine().Codes(), copyEncoding));
}

// What a copy of the text area writes, lines separated by CR LF.
EMSCRIPTEN_KEEPALIVE void harf_text_copy() {
  SetResult(Utf16(typist.CopyText().Chars(copyEncoding, U"\r\n")));
}

// The line as Unicode Arabic in logical order (UTF-16).
EMSCRIPTEN_KEEPALIVE void harf_line_unicode() {
  SetResult(Utf16(harf::LogicalText(typist.CopyLine())));
}

// The text area as Unicode, lines separated by LF.
EMSCRIPTEN_KEEPALIVE void harf_text_unicode() {
  SetResult(Utf16(typist.CopyText().Unicode(U"\n")));
}

// Paste Unicode of the text in the input buffer, typed in from where the
// line stands as the window pastes: in lines a typist would make.
EMSCRIPTEN_KEEPALIVE void harf_paste_unicode() {
  typist.PasteUnicode(Utf32(in));
}

// Paste of glyph-code text from the input buffer (symbol, Latin-1 or
// Windows-1252, as its characters tell), read back into letters and typed in.
EMSCRIPTEN_KEEPALIVE void harf_paste_codes() {
  typist.PasteGlyphText(Utf32(in));
}

// The one paste (Ctrl+V): Unicode Arabic or glyph text, as the model finds;
// returns the harf::PastedKind it found.
EMSCRIPTEN_KEEPALIVE int harf_paste() {
  return static_cast<int>(typist.PasteAny(Utf32(in)));
}

// The line and the text area as Unicode Arabic (UTF-16), for a screen
// reader: unlike the copies, reading them is no command.
EMSCRIPTEN_KEEPALIVE void harf_line_text() {
  SetResult(Utf16(harf::LogicalText(typist.line())));
}
// Lines `first` onwards, each after a line feed except the text's first.
EMSCRIPTEN_KEEPALIVE void harf_text_text(int first) {
  SetResult(Utf16(typist.text().Unicode(U"\n", first < 0 ? 0 : static_cast<std::size_t>(first))));
}

// What the page keeps in the browser between visits (UTF-16), and putting it
// back from the input buffer: 1 when it was taken, 0 when it was not Harf's.
EMSCRIPTEN_KEEPALIVE void harf_saved() {
  SetResult(Utf16(typist.Saved()));
}
EMSCRIPTEN_KEEPALIVE int harf_restore() {
  return typist.Restore(Utf32(in)) ? 1 : 0;
}

}  // extern "C"
