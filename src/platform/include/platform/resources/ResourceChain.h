// SPDX-License-Identifier: MIT
// The search for resources by number across the modules of the process, as the framework's
// resource chain does: modules are searched in the order they joined, and within a module the
// language of the environment is preferred, with English as the fallback.
#pragma once

#include <optional>

#include "platform/resources/ResourceTypes.h"

class ResourceChain {
public:
    static ResourceChain& instance();

    // A module joins once; joining again is ignored. The module's tables must outlive the chain.
    void addModule(const ResourceModule& module);
    void removeModule(const ResourceModule& module); // for tests

    const DialogTemplate* findDialog(UINT id) const;
    const char* findString(UINT id) const; // UTF-8; nullptr when no module has it
    const IconResource* findIcon(UINT id) const;

    // The language resources are shown in: French when LC_ALL, else LC_MESSAGES, else LANG
    // starts with "fr", otherwise English. Tests and the command may force one.
    LANGID language() const;
    void setLanguageOverride(std::optional<LANGID> language);

private:
    ResourceChain() = default;
    template <typename T, typename Table>
    const T* find(UINT id, Table table) const;

    static constexpr int kMaxModules = 16;
    const ResourceModule* m_modules[kMaxModules] = {};
    int m_count = 0;
    std::optional<LANGID> m_override;
};

// Reads the environment the way ResourceChain::language() does; exposed for tests.
LANGID LanguageFromEnvironment();
