// QuillbaySim.exe: the same program with its real windows, files, registry and shell, on
// a simulated network (letters, shares and removal notifications) described by
// SimulatedNetwork.ini beside the program.
#include <string>

#include "data/Languages.h"
#include "platform/sim/SimNetworkWatcher.h"
#include "platform/sim/SimulatedNetwork.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32HelpLibrary.h"
#include "platform/win32/Win32NetworkEvents.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Process.h"
#include "shell/win32/Win32WindowSystem.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  LoadLibrariesFromSystemFolderOnly();
  Win32Clock& clock = *new Win32Clock;  // never freed, like the network below
  char user[257] = "";
  if (GetEnvironmentVariableA("USERNAME", user, sizeof(user)) >= sizeof(user)) user[0] = '\0';
  // Never freed: a call left behind at Exit may still be waiting in it when the process ends.
  SimulatedNetwork& network = *new SimulatedNetwork(clock, user);
  Win32Platform machine(network.network(), network.drives());
  Platform& platform = machine.platform();
  SimNetworkWatcher watcher(network, platform.files, platform.ui, platform.environment,
                            ExecutableFolder(platform) + "SimulatedNetwork.ini");
  // Before the main window reads the drive letters.
  watcher.Start();

  Win32Process process;
  Win32HelpLibrary helpLibrary;
  TWin32WindowSystem windows(machine);
  windows.OnWindowsCreated = [&](TApplication& application, HWND mainWindow) {
    TMainForm& form = *application.MainForm;
    watcher.SetReporter([&form](int kind, const std::string& text) { form.AddMessage(kind, text); });
    // A vanished volume reaches the window as Windows delivers it.
    network.SetDeviceChangeHandler([mainWindow](const DeviceChange& change) {
      DEV_BROADCAST_VOLUME volume = {};
      volume.dbcv_size = sizeof(volume);
      volume.dbcv_devicetype = change.DeviceType;
      volume.dbcv_unitmask = change.UnitMask;
      volume.dbcv_flags = change.Flags;
      SendMessageA(mainWindow, WM_DEVICECHANGE, change.Event, reinterpret_cast<LPARAM>(&volume));
    });
    network.SetNetworkEventHandler([mainWindow](NetworkEventKind kind) {
      PostMessageA(mainWindow, NetworkEventMessage, static_cast<WPARAM>(kind), 0);
    });
  };
  windows.OnWindowsDestroying = [&] {
    network.SetNetworkEventHandler(nullptr);
    network.SetDeviceChangeHandler(nullptr);
    watcher.SetReporter(nullptr);
  };
  return RunProgram(platform, process, helpLibrary, windows);
}
