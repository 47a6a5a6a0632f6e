// Recovery of one target's work areas (recovery.cpp); the caller holds the target's lock.
#pragma once

#include <windows.h>

#include <string>

#include "plugin/install_outcome.h"

namespace qln::install {

struct Recovery {
    bool atStart = false;    // the start of the program: bounded, each failure logged once
    ULONGLONG deadline = 0;  // GetTickCount64() after which nothing more is tried; 0: none
};

InstallReport RecoverTarget(const std::wstring& fullTarget, const Recovery& how);

}  // namespace qln::install
