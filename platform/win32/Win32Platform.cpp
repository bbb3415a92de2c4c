#include "platform/win32/Win32Platform.h"

Win32Platform::Win32Platform() : Win32Platform(network_, drives_) {}

Win32Platform::Win32Platform(Network& network, Drives& drives)
    : servedNetwork_(network, ui_),
      servedDrives_(drives, ui_),
      platform_{servedNetwork_, servedDrives_, files_, registry_, shell_, environment_, clock_, ui_, protection_} {}

void Win32Platform::SetOwnerWindow(HWND owner) {
  shell_.SetOwner(owner);
  ui_.SetOwner(owner);
}
