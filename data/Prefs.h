#pragma once
#include <cstdint>
#include <string>

// The [Preferences] section, one field per key, in file order, with the defaults.
struct TQbyPrefs {
  bool FirstTimeUsage = true;
  bool MinimizeOnStartup = true;
  bool ConnectNetworkDrivesOnStartup = true;
  bool StartAutomaticallyByWindows = true;
  bool DisableBalloonMessages = false;
  bool DoubleClickIsExploreNetworkDrive = false;
  std::string Language = "English";
  std::string TrueCryptProgramLocation;
  bool DismountVolumesOnExit = true;
  int32_t DelayVolumeMount = 5;
  bool UseAlternativeConnectionMethod = false;
  bool UseForcedDisconnect = false;
  bool DisconnectForeignNetworkDrivesOnStartup = false;
  bool RemoveAllNetworkDrivesOnExit = false;
  int32_t LongReconnectInterval = 1;
  int32_t MaxNrOfShortReconnectAttempts = 20;
};
