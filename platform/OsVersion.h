// The operating-system version query. On Linux it answers as a system with
// a music folder (major version 6); tests can make it answer 5 or fail.
#pragma once

#include "platform/Com.h"

#include <optional>

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize = 0;
    DWORD dwMajorVersion = 0;
    DWORD dwMinorVersion = 0;
    DWORD dwBuildNumber = 0;
    DWORD dwPlatformId = 0;
    char szCSDVersion[128] = {};
};

BOOL GetVersionEx(OSVERSIONINFOA *info);

// nullopt makes the query fail; the default answer is 6.
void SetOsMajorVersionForTesting(std::optional<DWORD> major);
