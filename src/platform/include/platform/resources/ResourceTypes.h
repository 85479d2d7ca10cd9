// SPDX-License-Identifier: MIT
// Resources as plain tables, the form a module contributes them in: dialog templates in dialog
// units, string tables per language, and icons as XPM images. Texts in these tables are UTF-8
// source text; the window layer converts them where they meet a string of the system.
#pragma once

#include <span>

#include "platform/core/Win32Types.h"

struct DialogItemTemplate {
    UINT id; // IDC_STATIC for none
    const char* windowClass; // kClassButton, kClassStatic, kClassComboBox, kClassListBox
    const char* text; // "" for none
    DWORD style; // WS_CHILD | WS_VISIBLE are implied
    short x, y, cx, cy; // dialog units
};

struct DialogTemplate {
    UINT id;
    LANGID language;
    DWORD style;
    short x, y, cx, cy; // dialog units
    const char* caption;
    const char* fontName;
    WORD pointSize;
    std::span<const DialogItemTemplate> items; // template order = tab order
};

struct StringResource {
    UINT id;
    LANGID language;
    const char* text;
};

struct IconResource {
    UINT id;
    const char* const* xpm; // 32 x 32, 16 colours, "None" for transparent
};

// What one module contributes to the resource search.
struct ResourceModule {
    const char* name;
    std::span<const DialogTemplate> dialogs;
    std::span<const StringResource> strings;
    std::span<const IconResource> icons;
};
