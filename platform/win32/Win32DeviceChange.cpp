#include "platform/win32/Win32DeviceChange.h"

namespace {
// Only these events carry a DEV_BROADCAST_HDR; for the others lParam is not a pointer.
bool CarriesHeader(WPARAM event) {
  switch (event) {
    case DBT_DEVICEARRIVAL:
    case DBT_DEVICEQUERYREMOVE:
    case DBT_DEVICEQUERYREMOVEFAILED:
    case DBT_DEVICEREMOVEPENDING:
    case DBT_DEVICEREMOVECOMPLETE:
    case DBT_DEVICETYPESPECIFIC:
    case DBT_CUSTOMEVENT:
      return true;
    default:
      return false;
  }
}
}  // namespace

DeviceChange DecodeDeviceChange(WPARAM wParam, LPARAM lParam) {
  DeviceChange change;
  change.Event = static_cast<uint32_t>(wParam);
  if (lParam == 0 || !CarriesHeader(wParam)) return change;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
  change.DeviceType = header->dbch_devicetype;
  if (header->dbch_devicetype == DBT_DEVTYP_VOLUME && header->dbch_size >= sizeof(DEV_BROADCAST_VOLUME)) {
    const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(lParam);
    change.UnitMask = volume->dbcv_unitmask;
    change.Flags = volume->dbcv_flags;
  }
  return change;
}
