#include <string>

#include "engine/Engine.h"
#include "platform/Platform.h"
#include "platform/WinTypes.h"
#include "platform/MyLibrary.h"

namespace {

// The fixed English reason of a connect failure, after the drive.
std::string ConnectFailureSuffix(uint32_t code) {
  switch (code) {
    case win::ERROR_ACCESS_DENIED: return "' (\"Access is denied\").";
    case win::ERROR_BAD_DEV_TYPE: return "' (\"The network resource type is not correct\").";
    case win::ERROR_ALREADY_ASSIGNED: return "' (\"The local device name is already in use\").";
    case win::ERROR_DEVICE_ALREADY_REMEMBERED:
      return "' (\"An attempt was made to remember a device that had previously been remembered\").";
    case win::ERROR_NO_NET_OR_BAD_PATH: return "' (\"No network provider accepted the given network path\").";
    case win::ERROR_SESSION_CREDENTIAL_CONFLICT:
      return "' (\"The credentials supplied conflict with an existing set of credentials\").";
    case win::ERROR_NETWORK_UNREACHABLE: return "' (\"The remote network is not reachable by the transport\").";
    case win::ERROR_LOGON_FAILURE: return "' (\"Logon failure: unknown user name or bad password\").";
    default: return "' (Error nr " + std::to_string(code) + ").";
  }
}

bool Selected(const TNetworkDriveItem& item, bool Force, const std::string& Drive) {
  return item.QbyControl && (item.State != dsDisconnected || Force) && (Drive.empty() || Drive == item.Drive);
}

}  // namespace

void TEngine::ConnectDrives(bool Force, const std::string& Drive) {
  // After Exit nothing is connected any more, whatever a dialog still open asks for; the
  // rows still show what the dialog changed.
  if (platform_.ui.Ending()) return UpdateDriveStatus();
  TRunMark run(*this);
  CurrentConnectionError = false;
  {
    HourglassCursor hourglass(platform_.ui);
    Network& network = platform_.network;
    std::string location, remote;
    // By index and by reference to the record: events processed between drives may run
    // nested work that assigns into records, but records themselves never move.
    for (int i = 0; i < NetworkDrives().Count(); ++i) {
      TNetworkDriveItem& item = *NetworkDrives().Items(i);
      if (Selected(item, Force, Drive)) {
        const std::string& drive = item.Drive;
        // Saved before its turn came: this run connects it as saved.
        deferredConnects_.erase(drive);
        TActivityMark connecting(*this, item, TDriveActivity::Connecting);
        ReportUnreadablePassword(item);
        try {
          location = ExpandEnvironment(platform_, item.NetworkLocation);
          if (network.GetUniversalName(drive.c_str(), remote) == win::NO_ERROR) {
            item.RealLocation = remote;
            if (!SameTextAscii(remote, location)) {
              AddMessage(mkInformation, T(10229) + drive + "' ...");
              network.CancelConnection2(drive.c_str(), win::CONNECT_UPDATE_PROFILE, true);
            }
          }

          // Without a user name the logged-on user's credentials apply, password included.
          const bool credentials = !item.Username.empty();
          const char* userName = credentials ? item.Username.c_str() : nullptr;
          const char* password = credentials ? item.Password.c_str() : nullptr;
          uint32_t result;
          if (Prefs().UseAlternativeConnectionMethod) {
            result = network.AddConnection(location.c_str(), password, drive.c_str());
          } else {
            NetResource resource;
            resource.Type = win::RESOURCETYPE_ANY;
            resource.LocalName = drive.c_str();
            resource.RemoteName = location.c_str();
            result = network.AddConnection2(resource, password, userName, 0);
          }

          bool connected = result == win::NO_ERROR;
          if (result == win::ERROR_ALREADY_ASSIGNED) {
            // Already ours only if the letter is a reachable network drive; a local device
            // that took the letter must not pass for the share.
            const uint32_t attributes = platform_.drives.GetFileAttributes(drive.c_str());
            connected = attributes != win::INVALID_FILE_ATTRIBUTES &&
                        (attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                        platform_.drives.GetDriveType((drive + "\\").c_str()) == win::DRIVE_REMOTE;
          }
          if (connected) {
            item.State = dsConnected;
            if (result == win::NO_ERROR) AddMessage(mkInformation, T(10300) + drive + "'.");
          } else if (result == win::ERROR_ALREADY_ASSIGNED &&
                     platform_.drives.GetDriveType((drive + "\\").c_str()) == win::DRIVE_REMOTE &&
                     !(network.GetUniversalName(drive.c_str(), remote) == win::NO_ERROR &&
                       !SameTextAscii(remote, location))) {
            // The letter still holds this drive's own mapping: nothing else took it, its
            // server does not answer, and that is what the line says.
            item.State = dsError;
            AddMessage(mkError, T(10302) + drive + T(10814));
            CurrentConnectionError = true;
          } else {
            // Set only now: while the call is in flight the drive shows what was last known.
            item.State = dsError;
            AddMessage(mkError, T(10302) + drive + ConnectFailureSuffix(result));
            CurrentConnectionError = true;
          }

          if (network.GetUniversalName(drive.c_str(), remote) != win::NO_ERROR) {
            item.RealLocation = T(10035);
          } else {
            item.RealLocation = remote;
            if (!SameTextAscii(remote, location)) {
              AddMessage(mkError, T(10022) + "'" + drive + T(10310));
              CurrentConnectionError = true;
              item.State = dsError;
            }
          }
        } catch (...) {
          item.State = dsError;
          AddMessage(mkError, T(10302) + drive + "'.");
          CurrentConnectionError = true;
        }

        try {
          item.FreeSpace = MeasureFreeSpace(item);
        } catch (...) {
          item.FreeSpace = -1;
        }

        // Both start nothing unless the drive is connected, so they act on the first
        // connect of this run of the program only.
        if (!item.VolumesHaveBeenMounted && !item.TrueCryptVolumesList.empty()) MountVolumes(item, false);
        if (!item.ProgramsHaveBeenRunned && !item.RunProgramsList.empty()) RunPrograms(item, false);
      }
      platform_.ui.ProcessMessages();
    }
  }
  UpdateDriveStatus();
}

namespace {
// How often a connect deferred by a save looks whether the call in flight has ended.
constexpr uint32_t DeferredConnectCheckMs = 200;
}  // namespace

void TEngine::ConnectSavedDrive(std::string drive) {
  if (!WaitingOnServer()) {
    AddMessage(mkInformation, T(10225) + drive + " ...");
    ConnectDrives(true, drive);
    return;
  }
  // Now it would run inside the other run's call. Saved again meanwhile: still one connect.
  if (deferredConnects_.insert(drive).second) AddMessage(mkInformation, T(10850) + drive + "'.");
  if (deferredConnectsTimer_ == 0)
    deferredConnectsTimer_ = platform_.ui.SetTimer(DeferredConnectCheckMs, [this] { ConnectDeferredDrives(); });
}

void TEngine::ConnectDeferredDrives() {
  if (WaitingOnServer() || RunInProgress()) return;
  platform_.ui.KillTimer(deferredConnectsTimer_);
  deferredConnectsTimer_ = 0;
  // One at a time, taken out before its run: a save during that run defers afresh.
  while (!deferredConnects_.empty() && !platform_.ui.Ending()) {
    const std::string drive = *deferredConnects_.begin();
    deferredConnects_.erase(deferredConnects_.begin());
    if (NetworkDrives().FindDrive(drive) == nullptr) continue;  // removed meanwhile
    AddMessage(mkInformation, T(10225) + drive + " ...");
    ConnectDrives(true, drive);
  }
}
