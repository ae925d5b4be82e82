// SPDX-License-Identifier: MIT
#pragma once
// Windows system errors as the errno values the rest of the program reports,
// so that a message reads the same on every system ("No such file or
// directory", "Permission denied").

#include <windows.h>

namespace tonvell {

int ErrnoFromWindowsError(DWORD error);

// Sets errno from GetLastError() and returns it.
int SetErrnoFromLastError();

}  // namespace tonvell
