// Looking at the machine's drive letters rather than at the configuration: mappings made
// by others, vanished network volumes, the network's return, and the letters the
// properties dialog offers.
#include "engine/ImportAndDevices.h"

#include <exception>
#include <string>

#include "base/ProductInfo.h"
#include "engine/Engine.h"
#include "platform/Platform.h"
#include "platform/WinTypes.h"
#include "platform/MyLibrary.h"

namespace {


std::string DriveOf(char letter) { return std::string(1, letter) + ":"; }
std::string RootOf(const std::string& drive) { return drive + "\\"; }

}  // namespace

char DriveLetterFromMask(uint32_t unitMask) {
  for (int bit = 0; bit < 26; ++bit) {
    if (unitMask & (1u << bit)) return static_cast<char>('A' + bit);
  }
  return 0;
}

std::string TEngine::ScanForeignDrives(bool Import) {
  NrOfForeignNetworkDrives = 0;
  std::string list;
  const uint32_t letters = platform_.drives.GetLogicalDrives();
  for (int bit = 0; bit < 26; ++bit) {
    if (!(letters & (1u << bit))) continue;
    const std::string drive = DriveOf(static_cast<char>('A' + bit));
    try {
      if (platform_.drives.GetDriveType(RootOf(drive).c_str()) != win::DRIVE_REMOTE) continue;
      TNetworkDriveItem* item = NetworkDrives().FindDrive(drive);
      if (item == nullptr || item->QbyControl) continue;
      std::string remote;
      if (platform_.network.GetUniversalName(drive.c_str(), remote) != win::NO_ERROR || remote.empty()) continue;
      ++NrOfForeignNetworkDrives;
      list += "\r\n" + drive + "  " + remote;
      if (Import) {
        item->QbyControl = true;
        item->NetworkLocation = remote;
        item->NetworkName.clear();
        item->Username.clear();
        item->Password.clear();
        // Remapped under our own control, without the old mapping's profile entry.
        DisconnectDrives(true, drive);
        ConnectDrives(true, drive);
      }
    } catch (...) {
      // One letter that cannot be examined does not stop the scan.
    }
  }
  return list;
}

void TEngine::ImportNetworkDrives(bool Silent) {
  const std::string list = ScanForeignDrives(false);
  if (NrOfForeignNetworkDrives > 0) {
    const std::string question = T(10750) + "\r\n" + list + "\r\n\r\n" + T(10751);
    if (platform_.ui.MessageBox(question, kProductName, MessageBoxKind::Question) == win::IDYES) {
      ScanForeignDrives(true);
    }
  } else if (!Silent) {
    platform_.ui.MessageBox(T(10753), kProductName, MessageBoxKind::Information);
  }
}

void TEngine::WMDeviceChange(const DeviceChange& change) {
  if (change.Event != win::DBT_DEVICEREMOVECOMPLETE || change.DeviceType != win::DBT_DEVTYP_VOLUME ||
      change.Flags != win::DBTF_NET) {
    return;
  }
  const char letter = DriveLetterFromMask(change.UnitMask);
  if (letter == 0) return;
  const std::string drive = DriveOf(letter);
  TNetworkDriveItem* item = NetworkDrives().FindDrive(drive);
  if (item == nullptr || !item->QbyControl || item->State != dsConnected) return;

  std::string remote;
  if (platform_.network.GetUniversalName(drive.c_str(), remote) == win::NO_ERROR) {
    item->RealLocation = remote;
    if (SameTextAscii(remote, ExpandEnvironment(platform_, item->NetworkLocation))) return;
  }
  AddMessage(mkWarning, T(10022) + "'" + drive + T(10311));
  ConnectDrives(true, drive);
}

void TEngine::NetworkEvent(NetworkEventKind kind) {
  if (kind == NetworkEventKind::None || !networkEventSink_) return;
  networkEventSink_(kind);
}

bool TEngine::AnyDriveAwaitingConnection() const {
  for (int i = 0; i < configuration_.NetworkDrives.Count(); ++i) {
    const TNetworkDriveItem& item = *configuration_.NetworkDrives.Items(i);
    if (item.QbyControl && item.State != dsConnected && item.State != dsDisconnected) return true;
  }
  return false;
}

void TEngine::FillDriveList(std::vector<std::string>& list) {
  list.clear();
  LastFreeDrive.clear();
  for (char letter = 'Z'; letter >= 'A'; --letter) {
    const std::string drive = DriveOf(letter);
    const uint32_t type = platform_.drives.GetDriveType(RootOf(drive).c_str());
    if (type != win::DRIVE_NO_ROOT_DIR && type != win::DRIVE_REMOTE) continue;
    // A letter without a record cannot be saved by the dialog, so it is not offered.
    const TNetworkDriveItem* item = NetworkDrives().FindDrive(drive);
    if (item == nullptr) continue;
    if (item->QbyControl) {
      list.push_back(drive + "  " + item->NetworkLocation);
    } else if (type == win::DRIVE_NO_ROOT_DIR) {
      list.push_back(drive);
      if (LastFreeDrive.empty()) LastFreeDrive = drive;
    }
  }
}
