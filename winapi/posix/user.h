// user32 and gdi32 as far as the system calls them.
#pragma once

#include "base.h"
