// SPDX-License-Identifier: MIT
#include "platform/core/SortKey.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "text/MacRoman.h"

namespace {

// The second level of the order: which mark a letter carries. Plain letters come first, so
// "Ecole" < "École" < "Ecoles"; the marks only decide between names whose letters agree.
enum Mark : std::uint8_t {
    kPlain = 1,
    kAcute,
    kGrave,
    kCircumflex,
    kDiaeresis,
    kTilde,
    kRing,
    kCedilla,
    kOther,
    kLigature
};

struct Letter {
    char32_t codePoint;
    const char* base; // one or two lower-case letters
    Mark mark;
};

// Every letter of Mac OS Roman beyond ASCII, as its base letters and its mark.
constexpr Letter kLetters[] = {
    {0x00C0, "a", kGrave},     {0x00C1, "a", kAcute},      {0x00C2, "a", kCircumflex}, {0x00C3, "a", kTilde},
    {0x00C4, "a", kDiaeresis}, {0x00C5, "a", kRing},       {0x00C6, "ae", kLigature},  {0x00C7, "c", kCedilla},
    {0x00C8, "e", kGrave},     {0x00C9, "e", kAcute},      {0x00CA, "e", kCircumflex}, {0x00CB, "e", kDiaeresis},
    {0x00CC, "i", kGrave},     {0x00CD, "i", kAcute},      {0x00CE, "i", kCircumflex}, {0x00CF, "i", kDiaeresis},
    {0x00D1, "n", kTilde},     {0x00D2, "o", kGrave},      {0x00D3, "o", kAcute},      {0x00D4, "o", kCircumflex},
    {0x00D5, "o", kTilde},     {0x00D6, "o", kDiaeresis},  {0x00D8, "o", kOther},      {0x00D9, "u", kGrave},
    {0x00DA, "u", kAcute},     {0x00DB, "u", kCircumflex}, {0x00DC, "u", kDiaeresis},  {0x00DF, "ss", kLigature},
    {0x00E0, "a", kGrave},     {0x00E1, "a", kAcute},      {0x00E2, "a", kCircumflex}, {0x00E3, "a", kTilde},
    {0x00E4, "a", kDiaeresis}, {0x00E5, "a", kRing},       {0x00E6, "ae", kLigature},  {0x00E7, "c", kCedilla},
    {0x00E8, "e", kGrave},     {0x00E9, "e", kAcute},      {0x00EA, "e", kCircumflex}, {0x00EB, "e", kDiaeresis},
    {0x00EC, "i", kGrave},     {0x00ED, "i", kAcute},      {0x00EE, "i", kCircumflex}, {0x00EF, "i", kDiaeresis},
    {0x00F1, "n", kTilde},     {0x00F2, "o", kGrave},      {0x00F3, "o", kAcute},      {0x00F4, "o", kCircumflex},
    {0x00F5, "o", kTilde},     {0x00F6, "o", kDiaeresis},  {0x00F8, "o", kOther},      {0x00F9, "u", kGrave},
    {0x00FA, "u", kAcute},     {0x00FB, "u", kCircumflex}, {0x00FC, "u", kDiaeresis},  {0x00FF, "y", kDiaeresis},
    {0x0131, "i", kOther},     {0x0152, "oe", kLigature},  {0x0153, "oe", kLigature},  {0x0178, "y", kDiaeresis},
    {0x0192, "f", kOther},     {0x00AA, "a", kOther},      {0x00BA, "o", kOther},      {0xFB01, "fi", kLigature},
    {0xFB02, "fl", kLigature},
};

// What one byte contributes: one or two first-level weights (0: none) and its mark.
struct Weights {
    std::uint8_t first = 0;
    std::uint8_t second = 0;
    Mark mark = kPlain;
};

const Letter* letterOf(char32_t codePoint) {
    for (const Letter& letter : kLetters)
        if (letter.codePoint == codePoint) return &letter;
    return nullptr;
}

bool isAsciiLetter(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char32_t c) { return c >= '0' && c <= '9'; }

// The first-level weights: every symbol in code point order, then the digits, then a..z.
// All are above 0, which ends the first level of a key.
std::array<Weights, 256> makeTable() {
    std::vector<char32_t> symbols;
    for (int byte = 1; byte < 256; ++byte) {
        const char32_t c = vidur::text::macRomanToCodePoint(static_cast<std::uint8_t>(byte));
        if (!isAsciiLetter(c) && !isDigit(c) && !letterOf(c)) symbols.push_back(c);
    }
    std::sort(symbols.begin(), symbols.end());
    const auto symbolWeight = [&](char32_t c) {
        return static_cast<std::uint8_t>(1 + (std::lower_bound(symbols.begin(), symbols.end(), c) - symbols.begin()));
    };
    const int digitBase = 1 + static_cast<int>(symbols.size());
    const int letterBase = digitBase + 10;
    const auto letterWeight = [&](char lower) { return static_cast<std::uint8_t>(letterBase + (lower - 'a')); };

    std::array<Weights, 256> table{};
    table[0] = {1, 0, kPlain}; // never part of a C string; kept above the level's end
    for (int byte = 1; byte < 256; ++byte) {
        const char32_t c = vidur::text::macRomanToCodePoint(static_cast<std::uint8_t>(byte));
        Weights& w = table[static_cast<std::size_t>(byte)];
        if (isDigit(c)) {
            w.first = static_cast<std::uint8_t>(digitBase + static_cast<int>(c - '0'));
        } else if (isAsciiLetter(c)) {
            w.first = letterWeight(static_cast<char>(c | 0x20));
        } else if (const Letter* letter = letterOf(c)) {
            w.first = letterWeight(letter->base[0]);
            if (letter->base[1] != '\0') w.second = letterWeight(letter->base[1]);
            w.mark = letter->mark;
        } else {
            w.first = symbolWeight(c);
        }
    }
    return table;
}

} // namespace

std::string BoxSortKey(std::string_view macRoman) {
    static const std::array<Weights, 256> table = makeTable();
    // First level (letters without their marks, case ignored), a 0, then each weight's mark.
    std::string key;
    std::string marks;
    key.reserve(macRoman.size() * 2 + 2);
    marks.reserve(macRoman.size() + 2);
    for (const char ch : macRoman) {
        const Weights& w = table[static_cast<unsigned char>(ch)];
        key.push_back(static_cast<char>(w.first));
        marks.push_back(static_cast<char>(w.mark));
        if (w.second != 0) {
            key.push_back(static_cast<char>(w.second));
            marks.push_back(static_cast<char>(w.mark));
        }
    }
    key.push_back('\0');
    key += marks;
    return key;
}
