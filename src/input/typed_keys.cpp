#include "input/typed_keys.h"

#include <algorithm>

namespace harf {
namespace {

constexpr char32_t kEnter = U'\r';
constexpr char32_t kSpace = U' ';

constexpr TypedKey kSyst[] = {
    {U'\'', 1}, {U'b', 2},  {U't', 3},  {U'T', 4},  {U'j', 5},  {U'H', 6},  {U'K', 7},
    {U'd', 8},  {U'D', 9},  {U'r', 10}, {U'z', 11}, {U's', 12}, {U'S', 13}, {U'c', 14},
    {U'C', 15}, {U'v', 16}, {U'V', 17}, {U'*', 18}, {U'g', 19}, {U'f', 20}, {U'q', 21},
    {U'k', 22}, {U'l', 23}, {U'm', 24}, {U'n', 25}, {U'h', 26}, {U'w', 27}, {U'y', 28},
    {U'@', 29}, {U'0', 30}, {U'1', 31}, {U'2', 32}, {U'3', 33}, {U'4', 34}, {U'5', 35},
    {U'6', 36}, {U'7', 37}, {U'8', 38}, {U'9', 39}, {U'a', 40}, {U'i', 41}, {U'u', 42},
    {U'A', 43}, {U'I', 44}, {U'U', 45}, {U'<', 51}, {U'>', 54}, {U'#', 55}, {U'\u00b0', 56},
    {U'~', 57}, {U'!', 58}, {U'?', 59}, {U';', 60}, {U'.', 61}, {U':', 63}, {U'\u00e4', 64},
    {U',', 65}, {U'(', 66}, {U')', 67},
};
static_assert(std::size(kSyst) == 59);

constexpr TypedKey kArabic[] = {
    {U'h', 70},  {U'+', 71},      {U'q', 72},       {U'\u00f6', 73}, {U'7', 75},  {U'8', 76},
    {U'9', 77},  {U'4', 78},      {U'5', 79},       {U'6', 80},      {U'1', 81},  {U'2', 82},
    {U'3', 83},  {U'0', 84},      {U'f', 85},       {U'j', 86},      {U'e', 87},  {U'o', 88},
    {U'p', 89},  {U'\u00fc', 90}, {U'^', 91},       {U'#', 91},      {U'v', 92},  {U'.', 93},
    {U's', 94},  {U'a', 95},      {U'w', 96},       {U'\u00e4', 97}, {U'-', 98},  {U'u', 99},
    {U'z', 100}, {U't', 101},     {U'r', 102},      {U'g', 103},     {U'l', 104}, {U'k', 105},
    {U'i', 106}, {U',', 107},     {U'd', 108},      {U'H', 112},     {U'y', 113}, {U'c', 114},
    {U'N', 115}, {U'n', 116},     {U'(', 117},      {U'Z', 118},     {U')', 120}, {U'x', 121},
    {U'm', 123}, {U'X', 126},     {U'\u00b0', 127}, {U'!', 128},     {U'?', 129}, {U';', 130},
    {U'_', 132}, {U'*', 133},
};
static_assert(std::size(kArabic) == 56);

}  // namespace

std::span<const TypedKey> SystKeyOf() {
  return kSyst;
}
std::span<const TypedKey> ArabicKeyOf() {
  return kArabic;
}

TypedAction DecideTyped(char32_t typed, std::size_t lineLength, Layout shown) {
  using Kind = TypedAction::Kind;
  if (typed == kEnter) return {Kind::Enter, 0};
  if (lineLength >= kLineMaxLength) return {};
  if (typed == kSpace) return {Kind::Press, 0};
  const auto list = shown == Layout::Arabic ? ArabicKeyOf() : SystKeyOf();
  const auto it = std::find_if(list.begin(), list.end(),
                               [typed](const TypedKey& e) { return e.typed == typed; });
  if (it != list.end()) return {Kind::Press, it->key};
  if (IsArabicTyped(typed)) return {Kind::Unicode, 0};
  return {};
}

bool IsCommandChord(bool ctrl, bool alt, bool meta) {
  return (ctrl && !alt) || meta;
}

bool IsArabicTyped(char32_t typed) {
  return (typed >= 0x0600 && typed <= 0x06FF) || (typed >= 0xFB50 && typed <= 0xFDFF) ||
         (typed >= 0xFE70 && typed <= 0xFEFF);
}

std::vector<char32_t> TypedCharsOf(KeyIndex key) {
  std::vector<char32_t> out;
  if (key == kSystematicSpaceKey || key == kArabicSpaceKey) out.push_back(kSpace);
  const auto list = key >= kFirstArabicKey ? ArabicKeyOf() : SystKeyOf();
  for (const TypedKey& e : list) {
    if (e.key == key) out.push_back(e.typed);
  }
  return out;
}

}  // namespace harf
