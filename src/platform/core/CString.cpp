// SPDX-License-Identifier: MIT
#include "platform/core/CString.h"

#include "platform/core/AfxDebug.h"
#include "text/MacRoman.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace {

std::string_view viewOf(LPCSTR psz) { return psz ? std::string_view(psz) : std::string_view(); }

// The inverse of the NBP fold: each capital that has a small letter maps back to it.
std::array<std::uint8_t, 256> makeLowerTable() {
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(i);
    for (int i = 0; i < 256; ++i) {
        const std::uint8_t upper = vidur::text::foldCase(static_cast<std::uint8_t>(i));
        if (upper != i) table[upper] = static_cast<std::uint8_t>(i);
    }
    return table;
}

bool isTrimmable(char ch) {
    // The C locale's white space; Mac OS Roman's non-breaking space (0xCA) is text.
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

} // namespace

CString::CString(LPCSTR psz) : m_data(viewOf(psz)) {}

CString::CString(LPCSTR pch, int nLength) {
    if (pch && nLength > 0) m_data.assign(pch, static_cast<std::size_t>(nLength));
}

CString::CString(char ch, int nRepeat) {
    if (nRepeat > 0) m_data.assign(static_cast<std::size_t>(nRepeat), ch);
}

CString::CString(const unsigned char* psz) : CString(reinterpret_cast<LPCSTR>(psz)) {}

char CString::GetAt(int nIndex) const {
    ASSERT(nIndex >= 0 && nIndex < GetLength());
    return m_data[static_cast<std::size_t>(nIndex)];
}

void CString::SetAt(int nIndex, char ch) {
    ASSERT(nIndex >= 0 && nIndex < GetLength());
    m_data[static_cast<std::size_t>(nIndex)] = ch;
}

CString& CString::operator=(LPCSTR psz) {
    m_data.assign(viewOf(psz)); // safe when psz points into this string
    return *this;
}

CString& CString::operator=(char ch) {
    m_data.assign(1, ch);
    return *this;
}

CString& CString::operator=(const unsigned char* psz) { return *this = reinterpret_cast<LPCSTR>(psz); }

CString& CString::operator+=(const CString& other) {
    m_data += other.m_data;
    return *this;
}

CString& CString::operator+=(LPCSTR psz) {
    m_data.append(viewOf(psz));
    return *this;
}

CString& CString::operator+=(char ch) {
    m_data += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, LPCSTR b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(LPCSTR a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, char b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(char a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

int CString::Compare(LPCSTR psz) const {
    // As strcmp: the string ends at its first zero.
    return vidur::text::compareBytes(viewOf(m_data.c_str()), viewOf(psz));
}

int CString::CompareNoCase(LPCSTR psz) const { return vidur::text::compareFolded(viewOf(m_data.c_str()), viewOf(psz)); }

CString CString::Mid(int nFirst) const { return Mid(nFirst, GetLength() - std::max(nFirst, 0)); }

CString CString::Mid(int nFirst, int nCount) const {
    nFirst = std::clamp(nFirst, 0, GetLength());
    nCount = std::clamp(nCount, 0, GetLength() - nFirst);
    return CString(m_data.data() + nFirst, nCount);
}

CString CString::Left(int nCount) const { return Mid(0, nCount); }

CString CString::Right(int nCount) const {
    nCount = std::clamp(nCount, 0, GetLength());
    return Mid(GetLength() - nCount, nCount);
}

CString CString::SpanIncluding(LPCSTR pszCharSet) const {
    const std::size_t n = std::strspn(m_data.c_str(), pszCharSet ? pszCharSet : "");
    return Left(static_cast<int>(n));
}

CString CString::SpanExcluding(LPCSTR pszCharSet) const {
    const std::size_t n = std::strcspn(m_data.c_str(), pszCharSet ? pszCharSet : "");
    return Left(static_cast<int>(n));
}

void CString::MakeUpper() {
    for (char& ch : m_data) ch = static_cast<char>(vidur::text::foldCase(static_cast<std::uint8_t>(ch)));
}

void CString::MakeLower() {
    static const std::array<std::uint8_t, 256> kLower = makeLowerTable();
    for (char& ch : m_data) ch = static_cast<char>(kLower[static_cast<std::uint8_t>(ch)]);
}

void CString::MakeReverse() { std::reverse(m_data.begin(), m_data.end()); }

void CString::TrimLeft() {
    const auto first = std::find_if_not(m_data.begin(), m_data.end(), isTrimmable);
    m_data.erase(m_data.begin(), first);
}

void CString::TrimRight() {
    const auto last = std::find_if_not(m_data.rbegin(), m_data.rend(), isTrimmable);
    m_data.erase(last.base(), m_data.end());
}

int CString::Find(char ch) const {
    const std::size_t pos = m_data.find(ch);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(LPCSTR pszSub) const {
    const std::size_t pos = m_data.find(viewOf(pszSub));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char ch) const {
    const std::size_t pos = m_data.rfind(ch);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(LPCSTR pszCharSet) const {
    const std::size_t pos = m_data.find_first_of(viewOf(pszCharSet));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

void CString::Format(LPCSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(LPCSTR pszFormat, va_list args) {
    if (!pszFormat) {
        m_data.clear();
        return;
    }
    // Measure first, then format into a buffer of exactly that size.
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, pszFormat, measure);
    va_end(measure);
    if (needed <= 0) {
        m_data.clear();
        return;
    }
    std::string out(static_cast<std::size_t>(needed), '\0');
    std::vsnprintf(out.data(), out.size() + 1, pszFormat, args);
    m_data = std::move(out); // formatting from this string's own bytes stays safe
}

LPSTR CString::GetBuffer(int nMinBufLength) {
    if (nMinBufLength > GetLength()) m_data.resize(static_cast<std::size_t>(nMinBufLength), '\0');
    return m_data.data();
}

LPSTR CString::GetBufferSetLength(int nNewLength) {
    m_data.resize(static_cast<std::size_t>(std::max(nNewLength, 0)), '\0');
    return m_data.data();
}

void CString::ReleaseBuffer(int nNewLength) {
    if (nNewLength < 0) nNewLength = static_cast<int>(std::strlen(m_data.c_str()));
    m_data.resize(static_cast<std::size_t>(std::min(nNewLength, GetLength())));
}

bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
bool operator==(const CString& a, LPCSTR b) { return a.Compare(b) == 0; }
bool operator==(LPCSTR a, const CString& b) { return b.Compare(a) == 0; }
bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
bool operator!=(const CString& a, LPCSTR b) { return a.Compare(b) != 0; }
bool operator!=(LPCSTR a, const CString& b) { return b.Compare(a) != 0; }
bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
bool operator<(const CString& a, LPCSTR b) { return a.Compare(b) < 0; }
bool operator<(LPCSTR a, const CString& b) { return b.Compare(a) > 0; }
bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
bool operator>(const CString& a, LPCSTR b) { return a.Compare(b) > 0; }
bool operator>(LPCSTR a, const CString& b) { return b.Compare(a) < 0; }
bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
bool operator<=(const CString& a, LPCSTR b) { return a.Compare(b) <= 0; }
bool operator<=(LPCSTR a, const CString& b) { return b.Compare(a) >= 0; }
bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
bool operator>=(const CString& a, LPCSTR b) { return a.Compare(b) >= 0; }
bool operator>=(LPCSTR a, const CString& b) { return b.Compare(a) <= 0; }
