// SPDX-License-Identifier: MIT
#include "platform/resources/ResourceChain.h"

#include <cstdlib>
#include <cstring>

ResourceChain& ResourceChain::instance() {
    static ResourceChain chain;
    return chain;
}

void ResourceChain::addModule(const ResourceModule& module) {
    for (int i = 0; i < m_count; ++i)
        if (m_modules[i] == &module) return;
    if (m_count < kMaxModules) m_modules[m_count++] = &module;
}

void ResourceChain::removeModule(const ResourceModule& module) {
    for (int i = 0; i < m_count; ++i) {
        if (m_modules[i] != &module) continue;
        for (int j = i + 1; j < m_count; ++j) m_modules[j - 1] = m_modules[j];
        m_modules[--m_count] = nullptr;
        return;
    }
}

// Searches module by module; within the first module that has the id in any language, the
// preferred language wins, then English, then whatever language it has.
template <typename T, typename Table>
const T* ResourceChain::find(UINT id, Table table) const {
    const LANGID wanted = language();
    for (int i = 0; i < m_count; ++i) {
        const T* english = nullptr;
        const T* any = nullptr;
        for (const T& entry : table(*m_modules[i])) {
            if (entry.id != id) continue;
            if (entry.language == wanted) return &entry;
            if (entry.language == kLangEnglishUS) english = &entry;
            if (!any) any = &entry;
        }
        if (english) return english;
        if (any) return any;
    }
    return nullptr;
}

const DialogTemplate* ResourceChain::findDialog(UINT id) const {
    return find<DialogTemplate>(id, [](const ResourceModule& m) { return m.dialogs; });
}

const char* ResourceChain::findString(UINT id) const {
    const StringResource* s = find<StringResource>(id, [](const ResourceModule& m) { return m.strings; });
    return s ? s->text : nullptr;
}

const IconResource* ResourceChain::findIcon(UINT id) const {
    for (int i = 0; i < m_count; ++i)
        for (const IconResource& icon : m_modules[i]->icons)
            if (icon.id == id) return &icon;
    return nullptr;
}

LANGID ResourceChain::language() const { return m_override ? *m_override : LanguageFromEnvironment(); }

void ResourceChain::setLanguageOverride(std::optional<LANGID> language) { m_override = language; }

LANGID LanguageFromEnvironment() {
    // The first of these that is set and not empty decides, as for messages in POSIX.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return std::strncmp(value, "fr", 2) == 0 ? kLangFrench : kLangEnglishUS;
    }
    return kLangEnglishUS;
}
