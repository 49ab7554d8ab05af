#include "platform/OsVersion.h"

namespace {
std::optional<DWORD> g_major = 6;
}

BOOL GetVersionEx(OSVERSIONINFOA *info)
{
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) || !g_major)
        return FALSE;
    info->dwMajorVersion = *g_major;
    info->dwMinorVersion = 0;
    return TRUE;
}

void SetOsMajorVersionForTesting(std::optional<DWORD> major)
{
    g_major = major;
}
