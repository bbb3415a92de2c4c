#pragma once
#include "platform/Platform.h"
#include "platform/ServedCalls.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32DataProtection.h"
#include "platform/win32/Win32Drives.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Network.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32UserInterface.h"

// The real machine. Create it on the main thread.
class Win32Platform {
 public:
  Win32Platform();
  // The real machine, except for the network and the drive letters (the simulated-network
  // build); both must outlive this.
  Win32Platform(Network& network, Drives& drives);
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  Platform& platform() { return platform_; }
  Win32UserInterface& ui() { return ui_; }
  // The main window owns message boxes and the programs the shell starts.
  void SetOwnerWindow(HWND owner);

 private:
  Win32Network network_;
  Win32Drives drives_;
  Win32Files files_;
  Win32Registry registry_;
  Win32Shell shell_;
  Win32Environment environment_;
  Win32Clock clock_;
  Win32UserInterface ui_;
  Win32DataProtection protection_;
  // The engine reaches the network and the drives through these, off the main thread.
  ServedNetwork servedNetwork_;
  ServedDrives servedDrives_;
  Platform platform_;
};
