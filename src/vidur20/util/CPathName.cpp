// SPDX-License-Identifier: MIT
#include "vidur20/util/CPathName.h"

#include "platform/core/SplitPath.h"

CPathName::CPathName() = default;

CPathName::CPathName(const CString& path) : m_strPath(path) {}

// A null pointer is taken as the empty path rather than read.
CPathName::CPathName(const char* path) : m_strPath(path != nullptr ? path : "") {}

CPathName::CPathName(const CPathName& other) = default;

CPathName& CPathName::operator=(const CPathName& other) = default;

CPathName::~CPathName() = default;

CString CPathName::GetPathName() const { return m_strPath; }

// The parts are returned in the case the path holds them: the file system on which hosts
// open these paths is case-sensitive here, so an upper-cased name would name another file.
CString CPathName::GetFileName() const {
    char name[_MAX_FNAME];
    _splitpath(m_strPath, nullptr, nullptr, name, nullptr);
    return name;
}

CString CPathName::GetFileExt() const {
    char ext[_MAX_EXT];
    _splitpath(m_strPath, nullptr, nullptr, nullptr, ext);
    return ext;
}

CString CPathName::GetFileTitle() const { return GetFileName() + GetFileExt(); }
