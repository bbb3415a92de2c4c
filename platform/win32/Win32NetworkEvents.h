#pragma once
#include <atomic>

#include "platform/NetworkEvents.h"
#include "platform/win32/WindowsApi.h"

// The message the notification callbacks post to the main window; wParam is the kind.
constexpr UINT NetworkEventMessage = WM_APP + 0x51;

// The real side of the network events: registers for the changes of addresses,
// interfaces and routes (iphlpapi) and for the session's changes (wtsapi32), each looked
// up at run time, so that a Windows (or Wine) that lacks one just goes without it and
// the keep-alive timer alone goes on. The notifications arrive on system threads; their
// callbacks only post NetworkEventMessage to the window.
//
// The main window owns one and uses it like this (the window must be a top-level one:
// WM_POWERBROADCAST is broadcast and does not reach message-only windows):
//   after creating the window:  events.Register(hwnd);
//   in the window procedure:
//     case NetworkEventMessage:  engine.NetworkEvent(DecodeNetworkEventMessage(wParam)); return 0;
//     case WM_POWERBROADCAST:    engine.NetworkEvent(DecodePowerBroadcast(wParam)); return TRUE;
//     case WM_WTSSESSION_CHANGE: engine.NetworkEvent(DecodeSessionChange(wParam)); return 0;
//   on WM_DESTROY, while the window still exists:  events.Unregister();
// TEngine::NetworkEvent ignores NetworkEventKind::None, so every message can be handed on.
class Win32NetworkEvents {
 public:
  Win32NetworkEvents() = default;
  ~Win32NetworkEvents() { Unregister(); }
  Win32NetworkEvents(const Win32NetworkEvents&) = delete;
  Win32NetworkEvents& operator=(const Win32NetworkEvents&) = delete;

  // Main thread. Registering again first ends the previous registration.
  void Register(HWND window, UINT message = NetworkEventMessage);
  // Main thread, never from a notification callback: cancelling waits for the callbacks
  // that are running, and one of them would wait for itself.
  void Unregister();

  // What this Windows offered at Register.
  bool WatchingInterfaces() const { return interfaces_ != nullptr; }
  bool WatchingRoutes() const { return routes_ != nullptr; }
  bool WatchingSessions() const { return sessionWindow_ != nullptr; }

  // What every notification does, from whatever thread it comes.
  void Notify(NetworkEventKind kind) const;

 private:
  std::atomic<HWND> window_{nullptr};
  std::atomic<UINT> message_{0};
  HMODULE iphlpapi_ = nullptr;
  HMODULE wtsapi32_ = nullptr;
  HANDLE interfaces_ = nullptr;
  HANDLE routes_ = nullptr;
  HWND sessionWindow_ = nullptr;
};

// The main window's messages, decoded; None for everything that means nothing here.
NetworkEventKind DecodeNetworkEventMessage(WPARAM wParam);
NetworkEventKind DecodePowerBroadcast(WPARAM wParam);  // resumed (PBT_APMRESUMEAUTOMATIC)
NetworkEventKind DecodeSessionChange(WPARAM wParam);   // unlocked, or a remote session connected
