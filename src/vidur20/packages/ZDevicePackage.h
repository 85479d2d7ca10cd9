// SPDX-License-Identifier: MIT
// One kind of AppleTalk device that the Chooser offers: its NBP type, type-box text, icon,
// prompt and recent-list category, the recent list itself in "Halvora.INI", and (in each
// concrete package) what choosing a device of the kind means.
#pragma once

#include "platform/core/CObject.h"
#include "platform/core/CString.h"
#include "vidur20/atalk/AppleTalk.h"

class CWnd;

class ZDevicePackage : public CObject {
    DECLARE_DYNAMIC(ZDevicePackage)
public:
    ~ZDevicePackage() override;

    virtual int IsValid() const;
    // While the package is not valid the accessors answer an empty string, 0 or null.
    virtual const CString& GetCategory() const;
    virtual const CString& GetNBPType() const;
    virtual const CString& GetTypeName() const;
    virtual int GetIconID() const;
    // Makes the chosen device the current one of its kind; non-zero when taken.
    virtual int SelectDevice(const _NBPTuple* chosen, CWnd* parent) = 0;
    virtual int ReservedOperation(DWORD arg1, DWORD arg2) = 0;
    // Entry 1 of the recent list as read at initialisation, or null.
    virtual _NBPTuple* GetSavedSelection();
    // Entry index (from 1) of the recent list into out: 1 when read, 0 when absent.
    virtual int ReadRecentEntry(_NBPTuple* out, int index);
    // Writes entry index, or removes it when entry is null; the profile write's result.
    virtual int WriteRecentEntry(const _NBPTuple* entry, int index);

    const CString& GetPrompt() const;

    // What the last SelectDevice did with the recent list, for the Chooser to tell the user.
    enum class RecordResult { NotRecorded, Recorded, CannotStore, WriteFailed };
    RecordResult GetLastRecordResult() const { return m_lastRecord; }

protected:
    // What a concrete kind sets in its Initialize.
    struct Kind {
        const char* nbpType; // also the type-box text
        const char* category;
        int iconID;
        const char* prompt;
    };

    ZDevicePackage();

    // The common Initialize: the kind's constants (nbpType, when given, replaces the kind's
    // NBP type but not its type-box text), then entry 1 of the recent list.
    int InitializeKind(const Kind& kind, const char* nbpType);
    // The common SelectDevice: the chosen device becomes entry 1 of the recent list, the
    // earlier entries follow without it, all read and written under the file's one lock; a
    // printer also becomes the default printer, whether or not the list could keep it.
    int SelectDeviceOfKind(const _NBPTuple* chosen, bool setsDefaultPrinter);

    int m_bValid;
    CString m_strTypeName;
    CString m_strCategory;
    CString m_strNBPType;
    CString m_strPrompt;
    int m_nIconID;
    int m_bHaveSaved;
    _NBPTuple m_savedSelection;
    RecordResult m_lastRecord = RecordResult::NotRecorded;

private:
    bool AcceptsChoice(const _NBPTuple* chosen) const;
};
