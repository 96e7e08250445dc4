// Win32 as the framework's headers see it. <windows.h> maps some call names to their A or
// W form with macros; `RegisterClass` is also the name of a framework operation, so the
// macro goes (the framework always calls RegisterClassA by its full name).
#pragma once

#include "winapi.h"

#ifdef RegisterClass
#  undef RegisterClass
#endif
