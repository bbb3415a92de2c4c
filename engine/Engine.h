#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/AsciiText.h"
#include "data/Configuration.h"
#include "data/Languages.h"
#include "engine/Surfaces.h"
#include "platform/DeviceChange.h"
#include "platform/NetworkEvents.h"

struct Platform;

// The connection engine: every operation that maps, examines, reports and releases drive
// letters. Owned by the main window; runs on the main thread only. The keep-alive thread
// reads the atomic members.
class TEngine {
 public:
  TEngine(Platform& platform, TQbyConfiguration& configuration, const TLanguage& language,
          TSurfaces& surfaces);
  ~TEngine();
  TEngine(const TEngine&) = delete;
  TEngine& operator=(const TEngine&) = delete;

  // Connecting (every connection goes through here).
  void ConnectDrives(bool Force, const std::string& Drive);
  // Disconnecting and removing.
  bool DisconnectDrives(bool Force, const std::string& Drive);
  void RemoveDrives(const std::string& Drive);
  void DisconnectForeignDrives(bool Force);
  // The status survey that ends every run.
  void UpdateDriveStatus();
  // Programs and TrueCrypt volumes.
  void RunPrograms(TNetworkDriveItem& drive, bool Now);
  void MountVolumes(TNetworkDriveItem& drive, bool Now);
  void DismountAllVolumes();
  void StartTrueCrypt();  // the work of ActionToolsTrueCryptExecute
  // Import and device changes.
  std::string ScanForeignDrives(bool Import);
  void ImportNetworkDrives(bool Silent);
  void WMDeviceChange(const DeviceChange& change);
  void FillDriveList(std::vector<std::string>& list);
  // The main window hands every network, resume and session event here, decoded (None is
  // ignored). The keep-alive thread collects them and reconnects when a drive needs it.
  void NetworkEvent(NetworkEventKind kind);
  // The keep-alive thread receives the events while it runs; an empty function ends that.
  void SetNetworkEventSink(std::function<void(NetworkEventKind)> sink) { networkEventSink_ = std::move(sink); }
  // A drive under control that is neither connected nor disconnected by the user.
  bool AnyDriveAwaitingConnection() const;
  // A connect, disconnect or remove run is walking the drives (events may run inside it).
  bool RunInProgress() const { return runDepth_ > 0; }

  // What a run is doing to a drive right now; its row and every survey meanwhile say so.
  enum class TDriveActivity { None, Connecting, Disconnecting };
  TDriveActivity ActivityOf(const TNetworkDriveItem& item) const {
    return &item == activeDrive_ ? activity_ : TDriveActivity::None;
  }

  // A call or wait of a run is in flight (the main thread serves messages meanwhile): a
  // new run would interleave with it.
  bool WaitingOnServer() const;
  // The connect and disconnect actions of the main window (announcement line, then the
  // run); while WaitingOnServer they are refused with a line saying so.
  void ActionDrivesConnectDrivesExecute();
  void ActionDrivesConnectSelectedDriveExecute();
  void ActionDrivesDisconnectDrivesExecute();
  void ActionDrivesDisconnectSelectedDriveExecute();
  void ActionDrivesRemoveNetworkDriveExecute();
  void AMDrivesRemoveAllNetworkDrivesExecute();
  // The connect that saving a drive's properties starts: at once, or, while
  // WaitingOnServer, once the call in flight and its run have ended. A run that reaches
  // the drive meanwhile connects it with the saved properties, and then nothing follows.
  void ConnectSavedDrive(std::string drive);
  // The drive record of the selected drive-list row, or null.
  TNetworkDriveItem* SelectedDrive() const;

  std::string T(int32_t id) const { return language_.Translate(id); }
  void AddMessage(int imageIndex, const std::string& text) { surfaces_.AddMessage(imageIndex, text); }

  // Flags and counters of the main window.
  std::atomic<bool> CurrentConnectionError{false};
  bool PreviousConnectionError = false;
  bool PreferencesHaveBeenChanged = false;
  bool WindowsIsShuttingDown = false;
  int32_t NrOfDrivesConnected = 0;
  int32_t NrOfDrivesDisconnected = 0;
  int32_t NrOfDrivesInError = 0;
  int32_t NrOfDrivesUnknown = 0;
  std::atomic<int32_t> NrOfDrivesUnderQBYControl{0};
  int32_t NrOfForeignNetworkDrives = 0;
  std::string LastFreeDrive;
  // Preferences the keep-alive thread reads; kept in step with Prefs by SyncThreadValues.
  std::atomic<int32_t> LongReconnectInterval{1};
  std::atomic<int32_t> MaxNrOfShortReconnectAttempts{20};
  void SyncThreadValues();
  // Stores changed preferences; the keep-alive thread sees its values at once.
  void StorePreferences(const TQbyPrefs& prefs);

  Platform& platform() { return platform_; }
  TQbyConfiguration& configuration() { return configuration_; }
  TNetworkDriveItems& NetworkDrives() { return configuration_.NetworkDrives; }
  TQbyPrefs& Prefs() { return configuration_.Prefs; }
  TSurfaces& surfaces() { return surfaces_; }

 private:
  // A drive-list row as the survey shows the drive.
  void FillRow(TDriveRow& row, TNetworkDriveItem& item) const;
  // Free space of a drive in whole percent, -1 when unknown.
  int32_t MeasureFreeSpace(const TNetworkDriveItem& drive);
  // Says once per start that the drive goes without a stored password this account
  // cannot read; the keep-alive runs that follow stay quiet about it.
  void ReportUnreadablePassword(const TNetworkDriveItem& drive);
  bool TrueCryptProgramExists();
  // True, with the line saying so, when a user's command must not start a run now.
  bool RefusedWhileWaiting();
  // The timer of ConnectSavedDrive: connects the drives saved meanwhile once nothing is
  // in flight any more.
  void ConnectDeferredDrives();

  // Marks a run for RunInProgress for its lifetime, also when an error escapes.
  class TRunMark {
   public:
    explicit TRunMark(TEngine& engine) : engine_(engine) { ++engine_.runDepth_; }
    ~TRunMark() { --engine_.runDepth_; }
    TRunMark(const TRunMark&) = delete;
    TRunMark& operator=(const TRunMark&) = delete;

   private:
    TEngine& engine_;
  };

  // Shows a drive's row as being connected or disconnected while a run works on it, since
  // its calls may keep it so for as long as a server takes to answer.
  class TActivityMark {
   public:
    TActivityMark(TEngine& engine, TNetworkDriveItem& item, TDriveActivity activity);
    ~TActivityMark();
    TActivityMark(const TActivityMark&) = delete;
    TActivityMark& operator=(const TActivityMark&) = delete;

   private:
    TEngine& engine_;
    TNetworkDriveItem* outerDrive_;
    TDriveActivity outerActivity_;
  };
  // Rebuilds the row of the drive alone, when it is listed.
  void RefreshRowOf(TNetworkDriveItem* item);

  Platform& platform_;
  TQbyConfiguration& configuration_;
  const TLanguage& language_;
  TSurfaces& surfaces_;
  int runDepth_ = 0;
  TNetworkDriveItem* activeDrive_ = nullptr;
  TDriveActivity activity_ = TDriveActivity::None;
  std::function<void(NetworkEventKind)> networkEventSink_;
  std::set<std::string> unreadablePasswordsReported_;  // drive letters
  std::set<std::string> deferredConnects_;             // drive letters
  uint32_t deferredConnectsTimer_ = 0;
};
