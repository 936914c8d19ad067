// The bridge between Harf's lines and standard Unicode Arabic in logical order,
// the form e-mail, the web and word processors use.
//
// To Unicode, every glyph gives back the letters that were typed for it (a
// ligature two, the padding space that comes in with the first letter of a
// line none), in reading order; the glyph codes alone could not tell alif from
// alif wasla or kasra from fatha.
//
// From Unicode, the text is normalised to NFKC and then typed letter by letter
// through AddChar, so it gives exactly the glyph codes that typing the same
// letters on the keyboard gives, without the keyboard's 45-glyph limit.
// Needs ICU; kept out of harf_core so that the core stays dependency-free.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "input/pasted_text.h"
#include "input/typist.h"
#include "shaping/line.h"

namespace harf {

// The letters of the line in logical order, so that the text shows what the
// line shows: a number comes out in the order it is read on screen (typed 2,
// 0, 2, 4, each digit at the left end, the line shows and the text holds
// ٤٢٠٢). A letter without a code point (68..85, only reachable through
// Line::FromCodes) gives nothing.
std::u32string ToUnicode(const Line& line);

// The text area's lines, each as above, joined by U+000A.
std::u32string ToUnicode(const TextArea& text);

// Types Unicode text into lines: the first line goes on from `first` (at its
// left end, where typing goes on), every further line starts empty. The
// letters go in so that the line shows the text as written: a number goes in
// from its last digit (`عام 2024` shows ٢٠٢٤). Lines
// break at LF, CR LF, CR, NEL (U+0085), U+2028 and U+2029. Each line is
// normalised to NFKC first, so presentation forms (U+FB50..U+FDFF,
// U+FE70..U+FEFF), the lam-alif ligatures among them, and compatibility
// spaces become the letters they stand for.
UnicodeLines FromUnicode(std::u32string_view text, Line first = {});

// The letters FromUnicode types, line by line in typing order (NFKC by ICU,
// numbers in ICU's bidi order), for a paste that makes lines as a typist
// would (TypeLines).
LetterLines UnicodeLetters(std::u32string_view text);

// The bidi order of input/bidi_order.h by ICU's ubidi: a right-to-left
// paragraph, logical to visual, or visual to logical with `inverse`.
std::vector<std::size_t> IcuBidiOrder(std::u32string_view bases, bool inverse);

class NfkcNormaliser;

// FromUnicode for text that comes in pieces (a stream): each line is handed
// to `done` as soon as its line break has been typed, and what is held does
// not grow with the text apart from the line being typed. A long line is
// normalised in chunks cut where NFKC allows a cut (before a character with
// a normalisation boundary) and typed with TypeUnicode in runs cut where no
// number is (the bidi order numbers need is local to them), so the lines are
// the ones FromUnicode gives for the whole text at once.
class UnicodeTyper {
 public:
  // `done` may take the line away (move from it); the next line starts empty.
  using LineDone = std::function<void(Line&)>;
  explicit UnicodeTyper(LineDone done, Line first = {});
  ~UnicodeTyper();
  UnicodeTyper(const UnicodeTyper&) = delete;
  UnicodeTyper& operator=(const UnicodeTyper&) = delete;

  // Types more text. CR LF is one line break also when a piece ends between
  // the two.
  void Type(std::u32string_view text);
  // Types what is still waiting and hands on the last line, even when empty.
  void Finish();

  // As in UnicodeLines, for all the text typed so far.
  std::size_t leftOut() const { return leftOut_; }
  std::size_t refused() const { return refused_; }

 private:
  void Flush(bool all);
  void EndLine();

  LineDone done_;
  Line line_;
  std::unique_ptr<NfkcNormaliser> nfkc_;
  std::u32string waiting_;  // not normalised yet
  std::u32string normal_;   // normalised, not typed yet
  bool afterCr_ = false;
  std::size_t leftOut_ = 0;
  std::size_t refused_ = 0;
};

// Paste Unicode: types the letters of `text` into the keyboard model from
// where its line stands, as lines a typist would make (Typist::PasteLetters);
// the model moves full lines to the text area and says what was left out.
// Empty text pastes nothing, and the label says so.
void PasteUnicode(Typist& typist, std::u32string_view text);

// NFKC of text. Values that are not Unicode scalar values (surrogates, above
// U+10FFFF) are left out; `dropped`, when given, is increased by their number.
std::u32string Nfkc(std::u32string_view text, std::size_t* dropped = nullptr);

}  // namespace harf
