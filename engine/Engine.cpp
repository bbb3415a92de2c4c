#include "engine/Engine.h"

#include "data/StoredPasswords.h"
#include "platform/FileNames.h"
#include "platform/Platform.h"

TEngine::TEngine(Platform& platform, TQbyConfiguration& configuration, const TLanguage& language,
                 TSurfaces& surfaces)
    : platform_(platform), configuration_(configuration), language_(language), surfaces_(surfaces) {
  SyncThreadValues();
}

void TEngine::SyncThreadValues() {
  LongReconnectInterval = Prefs().LongReconnectInterval;
  MaxNrOfShortReconnectAttempts = Prefs().MaxNrOfShortReconnectAttempts;
}

void TEngine::StorePreferences(const TQbyPrefs& prefs) {
  Prefs() = prefs;
  SyncThreadValues();
}

void TEngine::ReportUnreadablePassword(const TNetworkDriveItem& drive) {
  if (!HasUnreadablePassword(drive) || !unreadablePasswordsReported_.insert(drive.Drive).second) return;
  AddMessage(mkWarning, T(10813) + drive.Drive + "'.");
}

namespace {

// Whole percent of free of total, rounded to nearest with an exact half to the even
// neighbour, exact on the full 64-bit range.
int32_t RoundedPercent(uint64_t freeBytes, uint64_t totalBytes) {
  if (freeBytes >= totalBytes) return 100;  // a quota can report more free than total
  uint64_t remainder = 0;
  int32_t quotient = 0;
  if (freeBytes <= UINT64_MAX / 100) {  // every disk there is
    quotient = static_cast<int32_t>(freeBytes * 100 / totalBytes);
    remainder = freeBytes * 100 % totalBytes;
  } else {
    // free * 100 would overflow: add free up 100 times modulo total, counting the wraps.
    for (int i = 0; i < 100; ++i) {
      if (remainder >= totalBytes - freeBytes) {
        remainder -= totalBytes - freeBytes;
        ++quotient;
      } else {
        remainder += freeBytes;
      }
    }
  }
  const uint64_t rest = totalBytes - remainder;  // remainder < totalBytes
  if (remainder > rest || (remainder == rest && quotient % 2 == 1)) ++quotient;
  return quotient;
}

}  // namespace

int32_t TEngine::MeasureFreeSpace(const TNetworkDriveItem& drive) {
  const std::string root = drive.Drive + "\\";
  uint64_t freeBytes = 0, totalBytes = 0;
  if (!platform_.drives.GetDiskFreeSpaceEx(root.c_str(), freeBytes, totalBytes)) return -1;
  // A full disk shows 0 (the warning colour); only an unanswerable size is unknown.
  if (totalBytes == 0 || totalBytes == UINT64_MAX || freeBytes == UINT64_MAX) return -1;
  return RoundedPercent(freeBytes, totalBytes);
}

bool TEngine::TrueCryptProgramExists() {
  const std::string& location = Prefs().TrueCryptProgramLocation;
  return !location.empty() && platform_.files.FileExists(FileNameFromAnsi(platform_.environment, location));
}

TNetworkDriveItem* TEngine::SelectedDrive() const {
  const int row = surfaces_.SelectedDriveRow;
  if (row < 0 || static_cast<size_t>(row) >= surfaces_.DriveRows.size()) return nullptr;
  return surfaces_.DriveRows[static_cast<size_t>(row)].Drive;
}

TEngine::~TEngine() {
  if (deferredConnectsTimer_ != 0) platform_.ui.KillTimer(deferredConnectsTimer_);
}

bool TEngine::WaitingOnServer() const { return platform_.ui.CallsInFlight() > 0; }

bool TEngine::RefusedWhileWaiting() {
  if (!WaitingOnServer()) return false;
  AddMessage(mkWarning, T(10820));
  return true;
}

void TEngine::ActionDrivesConnectDrivesExecute() {
  if (RefusedWhileWaiting()) return;
  AddMessage(mkInformation, T(10226));
  ConnectDrives(true, "");
}

void TEngine::ActionDrivesConnectSelectedDriveExecute() {
  TNetworkDriveItem* selected = SelectedDrive();
  if (selected == nullptr || RefusedWhileWaiting()) return;
  const std::string drive = selected->Drive;
  AddMessage(mkInformation, T(10225) + drive + "' ...");
  ConnectDrives(true, drive);
}
