#pragma once
#include "platform/DeviceChange.h"
#include "platform/win32/WindowsApi.h"

// Turns the main window's WM_DEVICECHANGE into the engine's DeviceChange.
DeviceChange DecodeDeviceChange(WPARAM wParam, LPARAM lParam);
