// SPDX-License-Identifier: MIT
#include "text/MacRoman.h"

#include <algorithm>
#include <array>
#include <optional>

namespace vidur::text {
namespace {

// Code points of bytes 0x80..0xFF (0xDB is the euro sign of Mac OS 8.5 and later).
constexpr std::array<char32_t, 128> kHighHalf = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, // 80
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8, // 88
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, // 90
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, // 98
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF, // A0
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, // A8
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, // B0
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, // B8
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, // C0
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, // C8
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, // D0
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, // D8
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, // E0
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, // E8
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC, // F0
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7, // F8
};

// Lower-case letters of the high half and their capitals: every accented Latin letter of
// Mac OS Roman that has both, as NBP and ZIP fold them ("bâtiment" and "BÂTIMENT" name
// one zone). The dotless i stays itself: folding it to I would join names that differ.
constexpr std::array<std::pair<std::uint8_t, std::uint8_t>, 29> kHighCasePairs = {{
    {0x87, 0xE7}, // á Á
    {0x88, 0xCB}, // à À
    {0x89, 0xE5}, // â Â
    {0x8A, 0x80}, // ä Ä
    {0x8B, 0xCC}, // ã Ã
    {0x8C, 0x81}, // å Å
    {0x8D, 0x82}, // ç Ç
    {0x8E, 0x83}, // é É
    {0x8F, 0xE9}, // è È
    {0x90, 0xE6}, // ê Ê
    {0x91, 0xE8}, // ë Ë
    {0x92, 0xEA}, // í Í
    {0x93, 0xED}, // ì Ì
    {0x94, 0xEB}, // î Î
    {0x95, 0xEC}, // ï Ï
    {0x96, 0x84}, // ñ Ñ
    {0x97, 0xEE}, // ó Ó
    {0x98, 0xF1}, // ò Ò
    {0x99, 0xEF}, // ô Ô
    {0x9A, 0x85}, // ö Ö
    {0x9B, 0xCD}, // õ Õ
    {0x9C, 0xF2}, // ú Ú
    {0x9D, 0xF4}, // ù Ù
    {0x9E, 0xF3}, // û Û
    {0x9F, 0x86}, // ü Ü
    {0xBE, 0xAE}, // æ Æ
    {0xBF, 0xAF}, // ø Ø
    {0xCF, 0xCE}, // œ Œ
    {0xD8, 0xD9}, // ÿ Ÿ
}};

constexpr std::array<std::uint8_t, 256> makeFoldTable() {
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(i);
    for (int c = 'a'; c <= 'z'; ++c) table[c] = static_cast<std::uint8_t>(c - 'a' + 'A');
    for (auto [lower, upper] : kHighCasePairs) table[lower] = upper;
    return table;
}
constexpr std::array<std::uint8_t, 256> kFold = makeFoldTable();

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at pos; nothing, having advanced one byte, when malformed.
std::optional<char32_t> decodeUtf8(std::string_view s, std::size_t& pos) {
    const auto lead = static_cast<std::uint8_t>(s[pos]);
    int length = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
    } else {
        ++pos;
        return std::nullopt;
    }
    if (pos + length > s.size()) {
        ++pos;
        return std::nullopt;
    }
    for (int i = 1; i < length; ++i) {
        const auto cont = static_cast<std::uint8_t>(s[pos + i]);
        if ((cont & 0xC0) != 0x80) {
            ++pos;
            return std::nullopt;
        }
        cp = (cp << 6) | (cont & 0x3F);
    }
    // Overlong forms and surrogates are malformed.
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return std::nullopt;
    }
    pos += length;
    return cp;
}

// The upper half by code point, for a binary search instead of a scan of all 128 (the
// profile reader converts every name it reads). 0xDB also stands for the currency sign
// U+00A4 it meant before the euro.
struct Encoding {
    char32_t codePoint;
    std::uint8_t byte;
};
constexpr std::array<Encoding, 129> makeEncodeTable() {
    std::array<Encoding, 129> table{};
    for (std::size_t i = 0; i < kHighHalf.size(); ++i) table[i] = {kHighHalf[i], static_cast<std::uint8_t>(0x80 + i)};
    table[128] = {0x00A4, 0xDB};
    std::sort(table.begin(), table.end(),
              [](const Encoding& a, const Encoding& b) { return a.codePoint < b.codePoint; });
    return table;
}
constexpr std::array<Encoding, 129> kEncode = makeEncodeTable();

int encodeMacRoman(char32_t cp) {
    if (cp < 0x80) return static_cast<int>(cp);
    std::size_t low = 0, high = kEncode.size();
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        if (kEncode[middle].codePoint < cp)
            low = middle + 1;
        else
            high = middle;
    }
    return low < kEncode.size() && kEncode[low].codePoint == cp ? kEncode[low].byte : -1;
}

} // namespace

char32_t macRomanToCodePoint(std::uint8_t byte) { return byte < 0x80 ? char32_t{byte} : kHighHalf[byte - 0x80]; }

std::string macRomanToUtf8(std::string_view macRoman) {
    std::string out;
    out.reserve(macRoman.size() * 2);
    for (char c : macRoman) appendUtf8(out, macRomanToCodePoint(static_cast<std::uint8_t>(c)));
    return out;
}

Utf8Conversion utf8ToMacRoman(std::string_view utf8) {
    Utf8Conversion result;
    result.macRoman.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const auto codePoint = decodeUtf8(utf8, pos);
        const int byte = codePoint ? encodeMacRoman(*codePoint) : -1;
        if (byte < 0) {
            result.macRoman += '?';
            result.lossless = false;
        } else {
            result.macRoman += static_cast<char>(byte);
        }
    }
    return result;
}

bool isUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();)
        if (!decodeUtf8(text, pos)) return false;
    return true;
}

std::string_view utf8Prefix(std::string_view utf8, std::size_t maxBytes) {
    if (utf8.size() <= maxBytes) return utf8;
    // The first byte left out tells: a continuation byte means the cut goes through a
    // character, which then goes whole. At most three steps back: text that is not UTF-8
    // is cut where asked rather than emptied.
    std::size_t end = maxBytes;
    for (int step = 0; step < 3 && end > 0 && (static_cast<std::uint8_t>(utf8[end]) & 0xC0) == 0x80; ++step) --end;
    return utf8.substr(0, end);
}

std::uint8_t foldCase(std::uint8_t byte) { return kFold[byte]; }

std::uint64_t foldedHash(std::string_view name) {
    // Eight folded bytes gathered into a word, then one multiply to mix it in: a byte costs a
    // table look-up and a shift, not a multiply of its own.
    constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15ULL;
    std::uint64_t hash = name.size();
    std::uint64_t word = 0;
    std::size_t i = 0;
    for (const char c : name) {
        word = word << 8 | kFold[static_cast<std::uint8_t>(c)];
        if (++i % 8 == 0) {
            hash = (hash ^ word) * kMix;
            hash ^= hash >> 29;
            word = 0;
        }
    }
    hash = (hash ^ word) * kMix;
    return hash ^ hash >> 32;
}

int compareFolded(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = kFold[static_cast<std::uint8_t>(a[i])];
        const int cb = kFold[static_cast<std::uint8_t>(b[i])];
        if (ca != cb) return ca - cb;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int compareBytes(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = static_cast<std::uint8_t>(a[i]);
        const int cb = static_cast<std::uint8_t>(b[i]);
        if (ca != cb) return ca - cb;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace vidur::text
