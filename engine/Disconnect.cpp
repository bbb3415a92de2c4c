// Taking drive letters away from their network locations: disconnecting drives under
// control, removing them from control, and cancelling mappings made by others.
#include <exception>
#include <optional>
#include <string>

#include "engine/Engine.h"
#include "base/ProductInfo.h"
#include "platform/Platform.h"
#include "platform/WinTypes.h"

namespace {


// Walks the collection by position. Records are never added or deleted, so a record stays
// valid across the event processing between drives, though a nested run may reset it.
template <typename Body>
void ForEachRecord(TNetworkDriveItems& drives, Body body) {
  for (int index = 0; index < drives.Count(); ++index) body(*drives.Items(index));
}

bool Selected(const TNetworkDriveItem& item, const std::string& drive) {
  return item.QbyControl && (drive.empty() || drive == item.Drive);
}

}  // namespace

bool TEngine::DisconnectDrives(bool Force, const std::string& Drive) {
  TRunMark run(*this);
  const std::string wanted = Drive;  // the argument may be a record's own Drive
  bool result = true;
  {
    HourglassCursor hourglass(platform_.ui);
    ForEachRecord(NetworkDrives(), [&](TNetworkDriveItem& item) {
      if (!Selected(item, wanted)) return;
      const std::string drive = item.Drive;
      std::optional<TActivityMark> disconnecting(std::in_place, *this, item, TDriveActivity::Disconnecting);
      try {
        const uint32_t code =
            platform_.network.CancelConnection2(drive.c_str(), win::CONNECT_UPDATE_PROFILE, Force);
        switch (code) {
          case win::NO_ERROR:
            item.State = dsDisconnected;
            item.RealLocation = T(10034);
            AddMessage(mkInformation, T(10301) + drive + "'.");
            break;
          case win::ERROR_NOT_CONNECTED:
            item.State = dsDisconnected;
            item.RealLocation = T(10034);
            break;
          case win::ERROR_OPEN_FILES:
            result = false;
            AddMessage(mkWarning, T(10303) + drive +
                                      "' (\"This network connection has files open or requests pending\").");
            break;
          case win::ERROR_DEVICE_IN_USE:
            result = false;
            AddMessage(mkWarning, T(10303) + drive +
                                      "' (\"The device is in use by an active process and cannot be disconnected\").");
            break;
          default:
            item.State = dsError;
            result = false;
            AddMessage(mkError, T(10303) + drive + "' (Error nr " + std::to_string(code) + ").");
            break;
        }
      } catch (...) {
        // The letter's state is not known, so a removal must not treat it as released.
        result = false;
        AddMessage(mkError, T(10303) + drive + "'.");
      }
      item.FreeSpace = MeasureFreeSpace(item);
      disconnecting.reset();
      platform_.ui.ProcessMessages();
    });
  }
  UpdateDriveStatus();
  return result;
}

void TEngine::RemoveDrives(const std::string& Drive) {
  TRunMark run(*this);
  const std::string wanted = Drive;
  {
    HourglassCursor hourglass(platform_.ui);
    ForEachRecord(NetworkDrives(), [&](TNetworkDriveItem& item) {
      if (Selected(item, wanted)) {
        const std::string drive = item.Drive;
        // The disconnect lets events run; the record may have been removed meanwhile.
        if (DisconnectDrives(true, drive) && item.QbyControl) item.Reset();
      }
      platform_.ui.ProcessMessages();
    });
  }
  UpdateDriveStatus();
  if (!WindowsIsShuttingDown) {
    configuration_.SaveConfigurationReportingErrors();
    return;
  }
  try {
    configuration_.SaveConfiguration();  // no box while the session ends: nobody would answer it
  } catch (const std::exception&) {
  }
}

void TEngine::DisconnectForeignDrives(bool Force) {
  ForEachRecord(NetworkDrives(), [&](TNetworkDriveItem& item) {
    if (item.QbyControl) return;
    try {
      const std::string drive = item.Drive;
      std::string remote;
      if (platform_.network.GetUniversalName(drive.c_str(), remote) != win::NO_ERROR || remote.empty()) return;
      AddMessage(mkInformation, T(10229) + drive + "' ...");
      platform_.network.CancelConnection2(drive.c_str(), win::CONNECT_UPDATE_PROFILE, Force);
    } catch (...) {
      // Cancelling mappings made by others is a courtesy; a failure is not reported.
    }
  });
}

void TEngine::ActionDrivesDisconnectDrivesExecute() {
  if (RefusedWhileWaiting()) return;
  AddMessage(mkInformation, T(10228));
  DisconnectDrives(Prefs().UseForcedDisconnect, "");
}

void TEngine::ActionDrivesDisconnectSelectedDriveExecute() {
  const TNetworkDriveItem* item = SelectedDrive();
  if (item == nullptr || RefusedWhileWaiting()) return;
  const std::string drive = item->Drive;
  AddMessage(mkInformation, T(10227) + drive + "' ...");
  DisconnectDrives(Prefs().UseForcedDisconnect, drive);
}

void TEngine::ActionDrivesRemoveNetworkDriveExecute() {
  const TNetworkDriveItem* item = SelectedDrive();
  if (item == nullptr || RefusedWhileWaiting()) return;
  const std::string drive = item->Drive;
  if (platform_.ui.MessageBox(T(10466) + drive + "' ?", kProductName, MessageBoxKind::Question) != win::IDYES) return;
  RemoveDrives(drive);
}

void TEngine::AMDrivesRemoveAllNetworkDrivesExecute() {
  if (RefusedWhileWaiting()) return;
  if (NrOfDrivesUnderQBYControl.load() < 1) {
    platform_.ui.MessageBox(T(10304), kProductName, MessageBoxKind::Information);
    return;
  }
  if (platform_.ui.MessageBox(T(10467) + " ?", kProductName, MessageBoxKind::Question) != win::IDYES) return;
  RemoveDrives("");
}
