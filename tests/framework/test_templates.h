// The dialog templates of the framework's tests, in the standard in-memory form that a
// resource compiler produces, and their installation as the test program's resources.
#pragma once

#include "framework_winapi.h"

#include <vector>

// Items 1 "OK" (default button), 2 "Cancel" and 103 (a button for objects to attach).
inline constexpr WORD TEMPLATE_OK_CANCEL = 100;
// Items 1 "OK" and 103 only: no Cancel button.
inline constexpr WORD TEMPLATE_OK_ONLY = 101;
// No resource has this id.
inline constexpr WORD TEMPLATE_MISSING = 999;

inline constexpr int ITEM_FOR_OBJECTS = 103;

// The bytes of one template.
std::vector<BYTE> TestTemplate(WORD id);

// Makes both templates findable by DialogBoxParamA under their ids; once per process.
void InstallTestTemplates();
