// The one Win32 header the system includes. On Windows it is the platform's own
// <windows.h>; elsewhere it is our stand-in in posix/, which declares only what the
// system calls, with the documented meaning of each call.
#pragma once

#ifdef _WIN32
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#else
#  include "posix/base.h"
#  include "posix/kernel.h"
#  include "posix/user.h"
#endif
