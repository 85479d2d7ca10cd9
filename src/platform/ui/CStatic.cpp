#include "platform/ui/CStatic.h"

IMPLEMENT_DYNAMIC(CStatic, CWnd)
