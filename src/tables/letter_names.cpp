#include "tables/letter_names.h"

#include <array>

namespace harf {
namespace {

constexpr std::array<std::string_view, 68> kNames = {
    "space",
    "alif",
    "ba",
    "ta",
    "tha",
    "jim",
    "hha",
    "kha",
    "dal",
    "dhal",
    "ra",
    "zay",
    "sin",
    "shin",
    "sad",
    "dad",
    "tah",
    "zah",
    "ain",
    "ghain",
    "fa",
    "qaf",
    "kaf",
    "lam",
    "mim",
    "nun",
    "ha",
    "waw",
    "ya",
    "ta marbuta",
    "digit 0",
    "digit 1",
    "digit 2",
    "digit 3",
    "digit 4",
    "digit 5",
    "digit 6",
    "digit 7",
    "digit 8",
    "digit 9",
    "fatha",
    "kasra",
    "damma",
    "fathatan",
    "kasratan",
    "dammatan",
    "alif with hamza above",
    "ya with hamza above",
    "waw with hamza above",
    "alif with madda",
    "alif maqsura",
    "opening quotation mark",
    "alif with hamza below",
    "alif wasla",
    "closing quotation mark",
    "hamza",
    "sukun",
    "shadda",
    "exclamation mark",
    "question mark",
    "semicolon",
    "full stop",
    "comma (low form)",
    "colon",
    "sign (apostrophe key)",
    "Arabic comma",
    "left parenthesis",
    "right parenthesis",
};

}  // namespace

std::string_view LetterName(LetterIndex C) {
  if (C < 0 || C >= static_cast<LetterIndex>(kNames.size())) return {};
  return kNames[static_cast<std::size_t>(C)];
}

}  // namespace harf
