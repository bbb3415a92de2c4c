// Windows' numbers under their Windows names, for portable code that must not
// include <windows.h>. Files in platform/win32/ use the real headers instead.
#pragma once
#include <cstdint>

namespace win {

// Error codes (winerror.h)
constexpr uint32_t NO_ERROR = 0;
constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
constexpr uint32_t ERROR_ACCESS_DENIED = 5;
constexpr uint32_t ERROR_NOT_SUPPORTED = 50;
constexpr uint32_t ERROR_BAD_NETPATH = 53;
constexpr uint32_t ERROR_BAD_DEV_TYPE = 66;
constexpr uint32_t ERROR_BAD_NET_NAME = 67;
constexpr uint32_t ERROR_ALREADY_ASSIGNED = 85;
constexpr uint32_t ERROR_INVALID_PASSWORD = 86;
constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr uint32_t ERROR_MORE_DATA = 234;
constexpr uint32_t ERROR_BAD_DEVICE = 1200;
constexpr uint32_t ERROR_DEVICE_ALREADY_REMEMBERED = 1202;
constexpr uint32_t ERROR_NO_NET_OR_BAD_PATH = 1203;
constexpr uint32_t ERROR_BAD_PROVIDER = 1204;
constexpr uint32_t ERROR_EXTENDED_ERROR = 1208;
constexpr uint32_t ERROR_SESSION_CREDENTIAL_CONFLICT = 1219;
constexpr uint32_t ERROR_NO_NETWORK = 1222;
constexpr uint32_t ERROR_CANCELLED = 1223;
constexpr uint32_t ERROR_NETWORK_UNREACHABLE = 1231;
constexpr uint32_t ERROR_HOST_UNREACHABLE = 1232;
constexpr uint32_t ERROR_LOGON_FAILURE = 1326;
constexpr uint32_t ERROR_NOT_CONNECTED = 2250;
constexpr uint32_t ERROR_OPEN_FILES = 2401;
constexpr uint32_t ERROR_DEVICE_IN_USE = 2404;

// Drive types (GetDriveType)
constexpr uint32_t DRIVE_UNKNOWN = 0;
constexpr uint32_t DRIVE_NO_ROOT_DIR = 1;
constexpr uint32_t DRIVE_REMOVABLE = 2;
constexpr uint32_t DRIVE_FIXED = 3;
constexpr uint32_t DRIVE_REMOTE = 4;
constexpr uint32_t DRIVE_CDROM = 5;
constexpr uint32_t DRIVE_RAMDISK = 6;

// Network provider interface (winnetwk.h)
constexpr uint32_t RESOURCETYPE_ANY = 0;
constexpr uint32_t CONNECT_UPDATE_PROFILE = 1;
constexpr uint32_t UNIVERSAL_NAME_INFO_LEVEL = 1;

// Files
constexpr uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;

// Show commands (ShowWindow / ShellExecute)
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWDEFAULT = 10;

// Message box answers
constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Device change notifications (dbt.h)
constexpr uint32_t WM_DEVICECHANGE = 0x0219;
constexpr uint32_t DBT_DEVICEARRIVAL = 0x8000;
constexpr uint32_t DBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr uint32_t DBT_DEVTYP_VOLUME = 2;
constexpr uint16_t DBTF_MEDIA = 1;
constexpr uint16_t DBTF_NET = 2;

}  // namespace win
