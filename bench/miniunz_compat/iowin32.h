/* miniunz.c asks for the Win32 file functions of minizip's iowin32.c, which the unpacked
   sources do not include. It gets the default 64-bit stdio functions instead: the same ones
   ExtractArchive reads through, so the benchmark compares the extraction loops alone. */
#ifndef QLN_MINIUNZ_COMPAT_IOWIN32_H
#define QLN_MINIUNZ_COMPAT_IOWIN32_H

#include <windows.h>

#include "ioapi.h"

#define fill_win32_filefunc64A fill_fopen64_filefunc

#endif
