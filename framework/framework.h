// The window framework in one include.
#pragma once

#include "application.h"
#include "dialog.h"
#include "message.h"
#include "thunks.h"
#include "window.h"
#include "window_object.h"
