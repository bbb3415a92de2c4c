#pragma once
#include <cstdint>

// A WM_DEVICECHANGE notification as the engine needs it: the event (wParam) and, for
// volumes, the fields of DEV_BROADCAST_VOLUME. DeviceType is 0 when lParam carried
// no header.
struct DeviceChange {
  uint32_t Event = 0;
  uint32_t DeviceType = 0;
  uint32_t UnitMask = 0;
  uint16_t Flags = 0;
};
