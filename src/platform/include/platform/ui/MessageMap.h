// SPDX-License-Identifier: MIT
// The framework's message maps: a class lists the messages and notifications it handles, and
// a message not found in its map is looked up in its base class's map, then handed to the
// window's default processing.
#pragma once

#include "platform/ui/Win32Ui.h"

class CWnd;

using AFX_PMSG = void (CWnd::*)();
using AFX_PMSG_TIMER = void (CWnd::*)(UINT_PTR);

enum AfxSig : UINT {
    AfxSig_end = 0,
    AfxSig_vv, // void handler()
    AfxSig_vw, // void handler(UINT_PTR), the timer
    AfxSig_cmd, // void handler() for a WM_COMMAND with a notification code and control id
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode; // WM_COMMAND: the notification code
    UINT nID; // WM_COMMAND: the first control id
    UINT nLastID;
    AfxSig nSig;
    AFX_PMSG pfn;
    AFX_PMSG_TIMER pfnTimer;
};

// Handlers are named without their class, as in the framework's own maps:
// ON_BN_CLICKED(IDC_STOP, OnStop) refers to ThisClass::OnStop.
struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
        using ThisClass [[maybe_unused]] = theClass;                                  \
        using TheBaseClass = baseClass;                                               \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                         \
    { 0, 0, 0, 0, AfxSig_end, nullptr, nullptr }                                                  \
    }                                                                                             \
    ;                                                                                             \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                                           \
    }

#define AFX_CMD_ENTRY(code, id, memberFxn)         \
    {WM_COMMAND,                                   \
     static_cast<UINT>(code),                      \
     static_cast<UINT>(id),                        \
     static_cast<UINT>(id),                        \
     AfxSig_cmd,                                   \
     static_cast<AFX_PMSG>(&ThisClass::memberFxn), \
     nullptr},

#define ON_COMMAND(id, memberFxn) AFX_CMD_ENTRY(0, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) AFX_CMD_ENTRY(BN_CLICKED, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) AFX_CMD_ENTRY(CBN_CLOSEUP, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) AFX_CMD_ENTRY(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) AFX_CMD_ENTRY(CBN_DROPDOWN, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) AFX_CMD_ENTRY(LBN_DBLCLK, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) AFX_CMD_ENTRY(LBN_SELCHANGE, id, memberFxn)

#define ON_WM_TIMER() {WM_TIMER, 0, 0, 0, AfxSig_vw, nullptr, static_cast<AFX_PMSG_TIMER>(&ThisClass::OnTimer)},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, 0, AfxSig_vv, static_cast<AFX_PMSG>(&ThisClass::OnClose), nullptr},
#define ON_WM_DESTROY() {WM_DESTROY, 0, 0, 0, AfxSig_vv, static_cast<AFX_PMSG>(&ThisClass::OnDestroy), nullptr},
