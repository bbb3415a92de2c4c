#include "platform/win32/Win32NetworkEvents.h"

#include <string>

#include "platform/win32/SystemLibrary.h"

namespace {

// The notification functions of iphlpapi, declared here because they are looked up at
// run time: older Windows versions (and Wine) lack some of them.
using ChangeCallback = void(WINAPI*)(void* context, void* row, int notificationType);
using NotifyChangeFunction = DWORD(WINAPI*)(USHORT family, ChangeCallback callback, void* context,
                                            BOOLEAN initialNotification, HANDLE* handle);
using CancelNotifyFunction = DWORD(WINAPI*)(HANDLE handle);
using SessionRegisterFunction = BOOL(WINAPI*)(HWND window, DWORD flags);
using SessionUnregisterFunction = BOOL(WINAPI*)(HWND window);

constexpr USHORT AnyAddressFamily = 0;  // AF_UNSPEC: IPv4 and IPv6
constexpr DWORD ThisSessionOnly = 0;    // NOTIFY_FOR_THIS_SESSION

void WINAPI OnNetworkChange(void* context, void*, int) {
  static_cast<const Win32NetworkEvents*>(context)->Notify(NetworkEventKind::NetworkChanged);
}

HANDLE Subscribe(HMODULE iphlpapi, const char* name, Win32NetworkEvents* events) {
  auto notify = FindFunction<NotifyChangeFunction>(iphlpapi, name);
  HANDLE handle = nullptr;
  if (notify == nullptr || notify(AnyAddressFamily, OnNetworkChange, events, FALSE, &handle) != NO_ERROR)
    return nullptr;
  return handle;
}

}  // namespace

void Win32NetworkEvents::Register(HWND window, UINT message) {
  Unregister();
  message_ = message;
  window_ = window;
  iphlpapi_ = LoadSystemLibrary("iphlpapi.dll");
  interfaces_ = Subscribe(iphlpapi_, "NotifyIpInterfaceChange", this);
  // Catches VPNs whose adapter stays present while their routes come and go.
  routes_ = Subscribe(iphlpapi_, "NotifyRouteChange2", this);
  wtsapi32_ = LoadSystemLibrary("wtsapi32.dll");
  auto registerSession = FindFunction<SessionRegisterFunction>(wtsapi32_, "WTSRegisterSessionNotification");
  if (registerSession != nullptr && registerSession(window, ThisSessionOnly)) sessionWindow_ = window;
}

void Win32NetworkEvents::Unregister() {
  auto cancel = FindFunction<CancelNotifyFunction>(iphlpapi_, "CancelMibChangeNotify2");
  for (HANDLE* handle : {&interfaces_, &routes_}) {
    if (*handle != nullptr && cancel != nullptr) cancel(*handle);
    *handle = nullptr;
  }
  if (sessionWindow_ != nullptr) {
    auto unregisterSession = FindFunction<SessionUnregisterFunction>(wtsapi32_, "WTSUnRegisterSessionNotification");
    if (unregisterSession != nullptr) unregisterSession(sessionWindow_);
    sessionWindow_ = nullptr;
  }
  window_ = nullptr;
  // Only now that no callback can run any more.
  if (iphlpapi_ != nullptr) FreeLibrary(iphlpapi_);
  if (wtsapi32_ != nullptr) FreeLibrary(wtsapi32_);
  iphlpapi_ = nullptr;
  wtsapi32_ = nullptr;
}

void Win32NetworkEvents::Notify(NetworkEventKind kind) const {
  if (HWND window = window_.load()) PostMessageA(window, message_.load(), static_cast<WPARAM>(kind), 0);
}

NetworkEventKind DecodeNetworkEventMessage(WPARAM wParam) {
  switch (static_cast<NetworkEventKind>(wParam)) {
    case NetworkEventKind::NetworkChanged: return NetworkEventKind::NetworkChanged;
    case NetworkEventKind::Resumed: return NetworkEventKind::Resumed;
    case NetworkEventKind::SessionReturned: return NetworkEventKind::SessionReturned;
    default: return NetworkEventKind::None;
  }
}

NetworkEventKind DecodePowerBroadcast(WPARAM wParam) {
  // Sent on every resume, with or without a user at the machine; the PBT_APMRESUMESUSPEND
  // that may follow would only repeat it.
  return wParam == PBT_APMRESUMEAUTOMATIC ? NetworkEventKind::Resumed : NetworkEventKind::None;
}

NetworkEventKind DecodeSessionChange(WPARAM wParam) {
  return wParam == WTS_SESSION_UNLOCK || wParam == WTS_REMOTE_CONNECT ? NetworkEventKind::SessionReturned
                                                                       : NetworkEventKind::None;
}
