// The engine fuzz target's line and what it must hold after each operation:
// exactly the letters typed less those deleted, counted as the operations go.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine_checks.h"
#include "engine_input.h"
#include "shaping/line.h"
#include "tables/glyph_types.h"

namespace harf::engine_fuzz {

class Session {
 public:
  // AddChar, which either writes the line with the letter in it and the
  // cursor at 0, or refuses (a sign its carrier cannot take, an index that
  // is no letter) and leaves everything as it was.
  void Type(LetterIndex C);

  // A run of letters typed whole with AddChars, which must leave the line
  // exactly as typing them one by one with AddChar does, and name the same
  // letters refused. A byte from 0xF0 up stands for an index that is no
  // letter.
  void TypeRun(Program& in);

  // The way the keyboard types: the typed character decides on a key, the key
  // on a letter. Enter moves the line away.
  void TypeKey(Program& in);

  void MoveCursor(std::size_t s);

  // Backspace takes the letters of the newest glyph (both of a ligature);
  // a line of fewer than two glyphs becomes empty.
  void Delete();

  // A paste goes on from the line at its left end; every line break starts a
  // new line, of which the last is kept. Each line must hold the letters of
  // its part of the normalised text, less only refused vowel signs.
  void Paste(const std::u32string& text);

  // A line of bare glyph codes, each standing for the letter it reads back as.
  void Load(std::string_view bytes);

  // Arbitrary bytes as glyph-code text: raw bytes, or (leniently decoded)
  // UTF-8 read as characters of one kind. Every code reads as letters or is
  // counted as skipped; the letters type a line without a refusal, and that
  // line reads back as the same letters. The line goes on from there.
  void Decode(Program& in);

  void Ligatures();

  // The line to Unicode and back. A line typed at the left end from an empty
  // line, all of whose letters have code points, comes back glyph for glyph
  // and letter for letter, and its glyph codes read back into letters that
  // type the same codes; the codes survive every encoding.
  void RoundTrip();

  // Enter, or a cleared line: an empty line typed from the left end again.
  void Clear();

  // The checks after every step: the letters counted, every cell well formed.
  void CheckStep() const;

 private:
  Line line_;
  Counts expected_{};
  bool clean_ = true;    // typed from empty at the left end, nothing deleted
  bool loaded_ = false;  // holds glyphs loaded from bare codes
};

}  // namespace harf::engine_fuzz
