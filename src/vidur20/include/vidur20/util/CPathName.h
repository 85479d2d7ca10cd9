// SPDX-License-Identifier: MIT
// A file path and its parts (name, extension, title), split by the C runtime's rules.
// Exported for hosts; nothing in the system uses it.
#pragma once

#include "platform/core/CString.h"
#include "vidur20/Vidur20Export.h"

class VIDUR20_EXPORT CPathName {
public:
    CPathName();
    CPathName(const CString& path); // NOLINT: implicit, a path converts naturally
    CPathName(const char* path); // NOLINT
    CPathName(const CPathName& other);
    CPathName& operator=(const CPathName& other);
    ~CPathName();

    CString GetPathName() const;
    // The file name without directory and extension.
    CString GetFileName() const;
    // The extension with its leading period; empty when there is none.
    CString GetFileExt() const;
    // The file name with its extension.
    CString GetFileTitle() const;

private:
    CString m_strPath;
};
