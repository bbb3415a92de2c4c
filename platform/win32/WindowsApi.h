// The Windows headers for the files of platform/win32 (and ui/win32). They turn names
// like GetDriveType and MessageBox into macros, which would rename the methods of the
// platform services; the ANSI functions are always called by their "A" names instead.
// Include the Windows headers only through this file.
#pragma once
#include <windows.h>
#include <dbt.h>
#include <shellapi.h>
#include <winnetwk.h>
#include <commdlg.h>
#include <dpapi.h>

#undef DeleteFile
#undef ExpandEnvironmentStrings
#undef GetDiskFreeSpaceEx
#undef GetDriveType
#undef GetFileAttributes
#undef MessageBox
#undef ReplaceFile
#undef ShellExecute
