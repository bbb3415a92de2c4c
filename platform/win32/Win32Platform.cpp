#include "platform/win32/Win32Platform.h"

Win32Platform::Win32Platform()
    : platform_{network_, drives_, files_, registry_, shell_, environment_, clock_, ui_, protection_} {}

Win32Platform::Win32Platform(Network& network, Drives& drives)
    : platform_{network, drives, files_, registry_, shell_, environment_, clock_, ui_, protection_} {}

void Win32Platform::SetOwnerWindow(HWND owner) {
  shell_.SetOwner(owner);
  ui_.SetOwner(owner);
}
