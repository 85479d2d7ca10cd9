// SPDX-License-Identifier: MIT
// The framework's 8-bit string: value semantics, bytes in the Mac OS Roman code page.
// Comparisons are by unsigned byte value; the no-case forms fold as NBP does, so a name
// compares the same here as on the network.
#pragma once

#include "platform/core/Win32Types.h"

#include <cstdarg>
#include <string>
#include <string_view>

class CString {
public:
    CString() = default;
    CString(const CString& other) = default;
    CString(CString&& other) noexcept = default;
    CString(LPCSTR psz); // NOLINT: implicit, as in the framework
    CString(LPCSTR pch, int nLength); // nLength bytes, embedded zeros kept
    CString(char ch, int nRepeat = 1);
    CString(const unsigned char* psz); // NOLINT
    ~CString() = default;

    // Length and contents.
    int GetLength() const { return static_cast<int>(m_data.size()); }
    BOOL IsEmpty() const { return m_data.empty() ? TRUE : FALSE; }
    void Empty() { m_data.clear(); }
    char GetAt(int nIndex) const;
    void SetAt(int nIndex, char ch);
    char operator[](int nIndex) const { return GetAt(nIndex); }
    operator LPCSTR() const { return m_data.c_str(); } // NOLINT: implicit, as in the framework

    // Assignment and concatenation.
    CString& operator=(const CString& other) = default;
    CString& operator=(CString&& other) noexcept = default;
    CString& operator=(LPCSTR psz);
    CString& operator=(char ch);
    CString& operator=(const unsigned char* psz);
    CString& operator+=(const CString& other);
    CString& operator+=(LPCSTR psz);
    CString& operator+=(char ch);
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, LPCSTR b);
    friend CString operator+(LPCSTR a, const CString& b);
    friend CString operator+(const CString& a, char b);
    friend CString operator+(char a, const CString& b);

    // Comparison: negative, 0 or positive as strcmp, by unsigned Mac OS Roman byte value.
    int Compare(LPCSTR psz) const;
    int CompareNoCase(LPCSTR psz) const;
    int Collate(LPCSTR psz) const { return Compare(psz); }

    // Extraction; counts and positions are clamped to the string, as the framework does.
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString SpanIncluding(LPCSTR pszCharSet) const;
    CString SpanExcluding(LPCSTR pszCharSet) const;

    // Conversion in place.
    void MakeUpper();
    void MakeLower();
    void MakeReverse();
    void TrimLeft();
    void TrimRight();

    // Searching: index of the first (last) match, or -1.
    int Find(char ch) const;
    int Find(LPCSTR pszSub) const;
    int ReverseFind(char ch) const;
    int FindOneOf(LPCSTR pszCharSet) const;

    // printf-style formatting of any length.
    void Format(LPCSTR pszFormat, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(LPCSTR pszFormat, va_list args) __attribute__((format(printf, 2, 0)));

    // Raw buffer access. The buffer holds at least nMinBufLength characters plus a zero;
    // ReleaseBuffer(-1) takes the length up to the first zero.
    LPSTR GetBuffer(int nMinBufLength);
    LPSTR GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);
    void FreeExtra() { m_data.shrink_to_fit(); }

    // Not part of the framework: the bytes as a view, for code at the edges.
    std::string_view View() const { return m_data; }

private:
    std::string m_data;
};

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, LPCSTR b);
bool operator==(LPCSTR a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, LPCSTR b);
bool operator!=(LPCSTR a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, LPCSTR b);
bool operator<(LPCSTR a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator>(const CString& a, LPCSTR b);
bool operator>(LPCSTR a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator<=(const CString& a, LPCSTR b);
bool operator<=(LPCSTR a, const CString& b);
bool operator>=(const CString& a, const CString& b);
bool operator>=(const CString& a, LPCSTR b);
bool operator>=(LPCSTR a, const CString& b);
