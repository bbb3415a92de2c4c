// The real network, resume and session notifications: registered where this Windows
// offers them, skipped without harm where it does not (Wine stubs several), and the main
// window's messages decoded.
#include <gtest/gtest.h>

#include <cstdio>
#include <thread>
#include <vector>

#include "platform/win32/Win32NetworkEvents.h"

namespace {

// A hidden top-level window, as the main window is.
class TopLevelWindow {
 public:
  TopLevelWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QuillbayNetworkEventsTest";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, windowClass.lpszClassName, "Quillbay test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                              nullptr, nullptr, windowClass.hInstance, nullptr);
  }
  ~TopLevelWindow() { DestroyWindow(window_); }
  HWND handle() const { return window_; }

  // The kinds of the event messages waiting for the window, in order.
  std::vector<NetworkEventKind> TakeEvents() const {
    std::vector<NetworkEventKind> kinds;
    MSG message;
    while (PeekMessageA(&message, window_, NetworkEventMessage, NetworkEventMessage, PM_REMOVE))
      kinds.push_back(DecodeNetworkEventMessage(message.wParam));
    return kinds;
  }

 private:
  HWND window_ = nullptr;
};

}  // namespace

TEST(Win32NetworkEvents, RegistersWhatTheSystemOffersAndUnregistersCleanly) {
  TopLevelWindow window;
  ASSERT_NE(window.handle(), nullptr);
  {
    Win32NetworkEvents events;
    events.Unregister();  // before any registration: nothing to do
    events.Register(window.handle());
    std::printf("interfaces %d, routes %d, sessions %d\n", events.WatchingInterfaces(), events.WatchingRoutes(),
                events.WatchingSessions());
    events.Register(window.handle());  // again: the first registration ends first
    events.Unregister();
    EXPECT_FALSE(events.WatchingInterfaces());
    EXPECT_FALSE(events.WatchingRoutes());
    EXPECT_FALSE(events.WatchingSessions());
    events.Unregister();
    events.Register(window.handle());
  }  // the destructor unregisters while the window still exists
  EXPECT_TRUE(IsWindow(window.handle()));
  window.TakeEvents();  // whatever the system announced meanwhile
}

TEST(Win32NetworkEvents, NotificationsFromOtherThreadsReachTheWindowAsMessages) {
  TopLevelWindow window;
  Win32NetworkEvents events;
  events.Register(window.handle());
  window.TakeEvents();

  std::thread systemThread([&] {
    events.Notify(NetworkEventKind::NetworkChanged);
    events.Notify(NetworkEventKind::NetworkChanged);
  });
  systemThread.join();
  EXPECT_EQ(window.TakeEvents(),
            (std::vector<NetworkEventKind>{NetworkEventKind::NetworkChanged, NetworkEventKind::NetworkChanged}));

  events.Unregister();
  events.Notify(NetworkEventKind::NetworkChanged);  // a late callback after the end posts nothing
  EXPECT_TRUE(window.TakeEvents().empty());
}

TEST(Win32NetworkEvents, DecodesTheMainWindowsMessages) {
  EXPECT_EQ(DecodePowerBroadcast(PBT_APMRESUMEAUTOMATIC), NetworkEventKind::Resumed);
  EXPECT_EQ(DecodePowerBroadcast(PBT_APMRESUMESUSPEND), NetworkEventKind::None);
  EXPECT_EQ(DecodePowerBroadcast(PBT_APMSUSPEND), NetworkEventKind::None);
  EXPECT_EQ(DecodePowerBroadcast(PBT_APMPOWERSTATUSCHANGE), NetworkEventKind::None);

  EXPECT_EQ(DecodeSessionChange(WTS_SESSION_UNLOCK), NetworkEventKind::SessionReturned);
  EXPECT_EQ(DecodeSessionChange(WTS_REMOTE_CONNECT), NetworkEventKind::SessionReturned);
  EXPECT_EQ(DecodeSessionChange(WTS_SESSION_LOCK), NetworkEventKind::None);
  EXPECT_EQ(DecodeSessionChange(WTS_REMOTE_DISCONNECT), NetworkEventKind::None);
  EXPECT_EQ(DecodeSessionChange(WTS_CONSOLE_CONNECT), NetworkEventKind::None);

  EXPECT_EQ(DecodeNetworkEventMessage(static_cast<WPARAM>(NetworkEventKind::NetworkChanged)),
            NetworkEventKind::NetworkChanged);
  EXPECT_EQ(DecodeNetworkEventMessage(static_cast<WPARAM>(NetworkEventKind::Resumed)), NetworkEventKind::Resumed);
  EXPECT_EQ(DecodeNetworkEventMessage(0), NetworkEventKind::None);
  EXPECT_EQ(DecodeNetworkEventMessage(77), NetworkEventKind::None);
}
