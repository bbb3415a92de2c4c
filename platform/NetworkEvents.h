#pragma once
#include <cstdint>

// What the system tells the program when drives that could not be reached may be
// reachable again. The real side (platform/win32/Win32NetworkEvents.h) registers for the
// notifications and decodes the main window's messages; the simulated machine fires them
// from SimMachine. Either way the main window hands each one, on the main thread, to
// TEngine::NetworkEvent.
enum class NetworkEventKind : uint32_t {
  None = 0,             // a message that means nothing here; handing it on does nothing
  NetworkChanged = 1,   // an address, interface or route changed (Wi-Fi, cable, VPN)
  Resumed = 2,          // the machine woke from sleep or hibernation
  SessionReturned = 3,  // the session was unlocked or a remote session connected
};
