#include "winapi.h"
