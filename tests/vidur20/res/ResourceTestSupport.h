// SPDX-License-Identifier: MIT
// Shared helpers of the resource tests: the module in the chain, and lookups by id.
#pragma once

#include <gtest/gtest.h>

#include "platform/resources/ResourceChain.h"
#include "vidur20/res/Vidur20Resources.h"

// Puts the library's module into the resource chain for one test and takes it out again.
class Vidur20ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override { ResourceChain::instance().addModule(Vidur20ResourceModule()); }
    void TearDown() override {
        ResourceChain::instance().removeModule(Vidur20ResourceModule());
        ResourceChain::instance().setLanguageOverride(std::nullopt);
    }
    static void useLanguage(LANGID language) { ResourceChain::instance().setLanguageOverride(language); }
};

// The module's own template of that number and language, or nullptr.
inline const DialogTemplate* FindTemplate(UINT id, LANGID language) {
    for (const DialogTemplate& t : Vidur20ResourceModule().dialogs)
        if (t.id == id && t.language == language) return &t;
    return nullptr;
}

// The template, or an empty one after recording a failure, so that a missing template fails
// the test that needs it instead of crashing the run.
inline const DialogTemplate& RequireTemplate(UINT id, LANGID language) {
    static const DialogTemplate kMissing{0, 0, 0, 0, 0, 0, 0, "", "", 0, {}};
    if (const DialogTemplate* t = FindTemplate(id, language)) return *t;
    ADD_FAILURE() << "no template " << id << " in language " << language;
    return kMissing;
}

// The control, or an empty one after recording a failure.
inline const DialogItemTemplate& RequireItem(const DialogTemplate& t, UINT id) {
    static const DialogItemTemplate kMissing{0, "", "", 0, 0, 0, 0, 0};
    for (const DialogItemTemplate& item : t.items)
        if (item.id == id) return item;
    ADD_FAILURE() << "no control " << id << " in template " << t.id;
    return kMissing;
}

inline const DialogItemTemplate* FindItem(const DialogTemplate& t, UINT id) {
    for (const DialogItemTemplate& item : t.items)
        if (item.id == id) return &item;
    return nullptr;
}

inline const char* FindModuleString(UINT id, LANGID language) {
    for (const StringResource& s : Vidur20ResourceModule().strings)
        if (s.id == id && s.language == language) return s.text;
    return nullptr;
}
