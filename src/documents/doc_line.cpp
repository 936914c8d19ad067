#include "documents/doc_line.h"

#include <algorithm>
#include <utility>

#include "documents/legacy_text.h"
#include "tables/glyph_table.h"

namespace harf::documents {

std::size_t DocLine::OpenContainer() {
  containerParent_.push_back(open_.empty() ? kNoContainer : open_.back());
  open_.push_back(containerParent_.size() - 1);
  return open_.back();
}

void DocLine::CloseContainer() {
  if (!open_.empty()) open_.pop_back();
}

std::size_t DocLine::AddRun() {
  runContainer_.push_back(open_.empty() ? kNoContainer : open_.back());
  return runContainer_.size() - 1;
}

void DocLine::AddText(std::size_t run, std::size_t item, std::u32string_view chars) {
  for (const char32_t ch : chars) {
    cells_.push_back(
        {CellKind::Text, ch, static_cast<std::uint32_t>(run), static_cast<std::uint32_t>(item)});
  }
  textSize_ += chars.size();
}

void DocLine::Add(CellKind kind, std::size_t run, std::size_t item) {
  cells_.push_back({kind, 0, static_cast<std::uint32_t>(run), static_cast<std::uint32_t>(item)});
}

void DocLine::Clear() {
  cells_.clear();
  runContainer_.clear();
  containerParent_.clear();
  open_.clear();
  out_.clear();
  textSize_ = 0;
}

void DocLine::KeepCells(std::size_t begin, std::size_t end) {
  for (std::size_t i = begin; i < end; ++i) {
    const Cell& c = cells_[i];
    if (i > begin && cells_[i - 1].run == c.run && cells_[i - 1].item == c.item) continue;
    out_.push_back({Out::kKeep, c.run, c.item, {}});
  }
}

void DocLine::EmitText(std::size_t run, std::u32string text) {
  if (text.empty()) return;
  if (!out_.empty() && out_.back().kind == Out::kText && out_.back().run == run) {
    out_.back().text += text;
  } else {
    out_.push_back({Out::kText, run, 0, std::move(text)});
  }
}

namespace {

bool IsSpace(char32_t ch) {
  return ch == U' ' || ch == U'\u00A0' || ch == kSymbolBase + U' ';
}

}  // namespace

void DocLine::ConvertStretch(std::size_t begin, std::size_t end, bool otherBefore, bool otherAfter,
                             const ConvertOptions& o, LineOutcome& outcome) {
  const bool unicode = o.to == Direction::ToUnicode;
  // Text and objects, in document order; marks go to the stretch's ends.
  std::vector<std::uint32_t>& core = core_;
  std::vector<std::size_t> starts, ends;
  core.clear();
  core.reserve(end - begin);
  for (std::size_t i = begin; i < end; ++i) {
    const CellKind k = cells_[i].kind;
    if (k == CellKind::MarkStart) {
      starts.push_back(i);
    } else if (k == CellKind::MarkEnd) {
      ends.push_back(i);
    } else {
      core.push_back(static_cast<std::uint32_t>(i));
    }
  }
  // Spaces between the stretch and other text stay on their side.
  std::size_t first = 0, last = core.size();
  if (otherBefore) {
    while (first < last && cells_[core[first]].kind == CellKind::Text &&
           IsSpace(cells_[core[first]].ch))
      ++first;
  }
  if (otherAfter) {
    while (last > first && cells_[core[last - 1]].kind == CellKind::Text &&
           IsSpace(cells_[core[last - 1]].ch))
      --last;
  }
  // To Unicode every legacy character converts; to the legacy font a
  // stretch converts when it holds Arabic.
  bool any = false;
  std::u32string all;
  for (std::size_t k = first; k < last && !(unicode && any); ++k) {
    if (cells_[core[k]].kind != CellKind::Text) continue;
    any = true;
    if (!unicode) all.push_back(cells_[core[k]].ch);
  }
  if (!any || (!unicode && !IsArabicText(all))) {
    // Nothing to convert here: the stretch stays as it was.
    outcome.mixed = outcome.mixed || unicode || !IsNeutralText(all);
    KeepCells(begin, end);
    return;
  }

  const std::size_t objectsBase = runContainer_.size();
  auto is_object = [&](std::size_t run) { return run >= objectsBase; };
  auto spaceOf = [&](std::size_t k) {
    const Cell& c = cells_[core[k]];
    EmitText(c.run, std::u32string(1, unicode ? U' ' : CharOfCode(kSpaceCode, WritingEncoding(o))));
  };
  for (const std::size_t i : starts)
    out_.push_back({Out::kKeep, cells_[i].run, cells_[i].item, {}});
  for (std::size_t k = 0; k < first; ++k) spaceOf(k);

  std::vector<Piece> pieces;
  if (unicode) {
    std::vector<GlyphCode>& codes = codes_;
    std::vector<std::size_t>& owner = owner_;
    codes.clear();
    owner.clear();
    std::vector<Anchor> objects;
    for (std::size_t k = first; k < last;) {
      const Cell& c = cells_[core[k]];
      if (c.kind != CellKind::Text) {
        objects.push_back({codes.size(), objectsBase + core[k]});
        ++k;
        continue;
      }
      std::u32string& chars = chars_;
      chars.clear();
      while (k < last && cells_[core[k]].kind == CellKind::Text && cells_[core[k]].run == c.run) {
        chars.push_back(cells_[core[k]].ch);
        ++k;
      }
      const GlyphEncoding e = o.encoding ? *o.encoding : DetectEncoding(chars);
      outcome.leftOut += AppendDecoded(chars, e, codes);
      owner.resize(codes.size(), c.run);
    }
    // A long run's characters are decoded: they need not stay for the
    // reading.
    if (chars_.capacity() > (std::size_t{1} << 16)) std::u32string().swap(chars_);
    UnicodePieces u = CodesToUnicode(codes, owner, objects);
    outcome.leftOut += u.leftOut;
    pieces = std::move(u.pieces);
  } else {
    std::vector<Piece> in;
    for (std::size_t k = first; k < last; ++k) {
      const Cell& c = cells_[core[k]];
      const bool text = c.kind == CellKind::Text;
      const std::size_t run = text ? c.run : objectsBase + core[k];
      if (!text || in.empty() || in.back().run != run) in.push_back({{}, run});
      in.back().text.push_back(text ? c.ch : kObjectChar);
    }
    LegacyLines l = UnicodeToLegacy(in, WritingEncoding(o), o.lineGlyphs);
    outcome.leftOut += l.leftOut;
    for (std::size_t n = 0; n < l.lines.size(); ++n) {
      if (n > 0) {
        std::size_t run = cells_[core[first]].run;
        for (const Piece& p : l.lines[n]) {
          if (!is_object(p.run)) {
            run = p.run;
            break;
          }
        }
        pieces.push_back({{}, run});  // an empty piece: a new break
      }
      for (Piece& p : l.lines[n]) pieces.push_back(std::move(p));
    }
  }
  std::vector<std::size_t> runs;
  for (Piece& p : pieces) {
    if (p.text.empty()) {
      out_.push_back({Out::kNewBreak, p.run, 0, {}});
    } else if (is_object(p.run)) {
      for (std::size_t n = 0; n < p.text.size(); ++n) {
        const Cell& c = cells_[p.run - objectsBase];
        out_.push_back({Out::kKeep, c.run, c.item, {}});
      }
    } else {
      EmitText(p.run, std::move(p.text));
      runs.push_back(p.run);
    }
  }
  std::sort(runs.begin(), runs.end());
  outcome.runs += static_cast<std::size_t>(std::unique(runs.begin(), runs.end()) - runs.begin());
  outcome.converted = true;

  for (std::size_t k = last; k < core.size(); ++k) spaceOf(k);
  for (const std::size_t i : ends) out_.push_back({Out::kKeep, cells_[i].run, cells_[i].item, {}});
}

LineOutcome DocLine::Convert(const ConvertOptions& o) {
  LineOutcome outcome;
  out_.clear();
  const std::size_t n = cells_.size();
  std::size_t i = 0;
  while (i < n) {
    const CellKind k = cells_[i].kind;
    if (k == CellKind::Other || k == CellKind::Break) {
      outcome.mixed = outcome.mixed || k == CellKind::Other;
      KeepCells(i, i + 1);
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < n && cells_[j].kind != CellKind::Other && cells_[j].kind != CellKind::Break) ++j;
    const bool text = std::any_of(cells_.begin() + static_cast<std::ptrdiff_t>(i),
                                  cells_.begin() + static_cast<std::ptrdiff_t>(j),
                                  [](const Cell& c) { return c.kind == CellKind::Text; });
    if (text) {
      ConvertStretch(i, j, i > 0 && cells_[i - 1].kind == CellKind::Other,
                     j < n && cells_[j].kind == CellKind::Other, o, outcome);
    } else {
      KeepCells(i, j);
    }
    i = j;
  }
  return outcome;
}

void DocLine::Write(LineWriter& writer) const {
  std::vector<std::size_t> open;  // outermost first
  std::vector<std::size_t> chain;
  for (const Out& out : out_) {
    chain.clear();
    for (std::size_t c = runContainer_[out.run]; c != kNoContainer; c = containerParent_[c]) {
      chain.push_back(c);
    }
    std::reverse(chain.begin(), chain.end());
    std::size_t same = 0;
    while (same < open.size() && same < chain.size() && open[same] == chain[same]) ++same;
    while (open.size() > same) {
      writer.Close(open.back());
      open.pop_back();
    }
    for (std::size_t k = same; k < chain.size(); ++k) {
      writer.Open(chain[k]);
      open.push_back(chain[k]);
    }
    switch (out.kind) {
      case Out::kText:
        writer.Text(out.run, out.text);
        break;
      case Out::kNewBreak:
        writer.NewBreak(out.run);
        break;
      case Out::kKeep:
        writer.Keep(out.run, out.item);
        break;
    }
  }
  while (!open.empty()) {
    writer.Close(open.back());
    open.pop_back();
  }
}

}  // namespace harf::documents
