// libFuzzer target on the core. The input is a little program: each opcode
// byte types a letter, moves the cursor, deletes, pastes Unicode built from
// the following bytes, loads bare glyph codes, decodes bytes as glyph-code
// text and reads them back into letters, types a run of letters in one pass
// (which must match typing them one by one), or checks a round trip. After
// every step the line must hold exactly the letters typed less those deleted,
// every glyph must be a form of the letter(s) it stands for, and the cursor
// must be inside the line. A violation prints what broke and aborts, which
// libFuzzer reports as a crash with the input that caused it.
#include <cstddef>
#include <cstdint>

#include "engine_input.h"
#include "engine_session.h"
#include "tables/glyph_types.h"

namespace harf::engine_fuzz {
namespace {

// One opcode byte a step, with the bytes the step reads after it.
void Run(Program& in) {
  Session session;
  while (!in.done()) {
    const std::uint8_t op = in.Byte();
    switch (op % 16) {
      case 0:
      case 1:
      case 2:
      case 3:
      case 4:
        session.Type(static_cast<LetterIndex>(in.Byte() % kLetterCount));
        break;
      case 5: {
        // Any 16-bit value, most of them no letter at all.
        const int low = in.Byte();
        session.Type(static_cast<LetterIndex>(low | in.Byte() << 8));
        break;
      }
      case 6:
        session.MoveCursor(in.Byte());
        break;
      case 7: {
        std::size_t s = 0;
        for (int i = 0; i < 8; ++i) s = (s << 8) | in.Byte();
        session.MoveCursor(s);
        break;
      }
      case 8:
        session.Delete();
        break;
      case 9:
        session.Paste(DecodeLeniently(in.Bytes(in.Byte())));
        break;
      case 10:
        session.Paste(CodePointsInBlocks(in, in.Byte() % 64));
        break;
      case 11:
        session.Paste(RawCodePoints(in, in.Byte() % 32));
        break;
      case 12:
        session.TypeKey(in);
        break;
      case 13:
        session.Load(in.Bytes(in.Byte() % 64));
        break;
      case 14:
        if (op & 0x10) {
          session.Decode(in);
        } else {
          session.Ligatures();
        }
        break;
      case 15:
        if (op & 0x10) {
          session.RoundTrip();
        } else if (op & 0x20) {
          session.TypeRun(in);
        } else {
          session.Clear();
        }
        break;
    }
    session.CheckStep();
  }
  session.RoundTrip();
}

}  // namespace
}  // namespace harf::engine_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  harf::engine_fuzz::Program in(data, size);
  harf::engine_fuzz::Run(in);
  return 0;
}
