#include <charconv>
#include <string>

#include "engine/Engine.h"
#include "base/ProductInfo.h"
#include "platform/Platform.h"

namespace {


int RowImage(TDriveState state) {
  switch (state) {
    case dsConnected: return kImageConnected;
    case dsDisconnected: return kImageDisconnected;
    case dsError: return kImageError;
    default: return kImageUnknown;
  }
}

// Assigns in place, so a rebuilt row reuses the memory of the previous survey.
void AssignLowerAscii(std::string& cell, const std::string& text) {
  cell.assign(text);
  for (char& c : cell)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

void AssignFreeSpace(std::string& cell, int32_t freeSpace) {
  if (freeSpace == -1) {
    cell.assign(1, '-');  // not "-": mingw's GCC 12 warns falsely (-Wrestrict) where this is inlined
    return;
  }
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, freeSpace).ptr;
  cell.assign(digits, end);
  cell.append(" %");
}

}  // namespace

void TEngine::FillRow(TDriveRow& row, TNetworkDriveItem& item) const {
  row.ImageIndex = RowImage(item.State);
  row.Drive = &item;
  row.Cells[0].assign(item.Drive);
  row.Cells[1].assign(item.NetworkName);
  AssignLowerAscii(row.Cells[2], item.NetworkLocation);
  AssignLowerAscii(row.Cells[3], item.RealLocation);
  AssignFreeSpace(row.Cells[4], item.FreeSpace);
  // The current location is what the call under way is about to tell.
  switch (ActivityOf(item)) {
    case TDriveActivity::Connecting:
      row.ImageIndex = kImageConnecting;
      row.Cells[3].assign(T(10851));
      break;
    case TDriveActivity::Disconnecting:
      row.ImageIndex = kImageDisconnecting;
      row.Cells[3].assign(T(10852));
      break;
    case TDriveActivity::None: break;
  }
}

void TEngine::RefreshRowOf(TNetworkDriveItem* item) {
  if (item == nullptr) return;
  for (TDriveRow& row : surfaces_.DriveRows) {
    if (row.Drive != item) continue;
    FillRow(row, *item);
    if (surfaces_.OnDriveRowsRebuilt) surfaces_.OnDriveRowsRebuilt();
    return;
  }
}

TEngine::TActivityMark::TActivityMark(TEngine& engine, TNetworkDriveItem& item, TDriveActivity activity)
    : engine_(engine), outerDrive_(engine.activeDrive_), outerActivity_(engine.activity_) {
  engine_.activeDrive_ = &item;
  engine_.activity_ = activity;
  if (outerDrive_ != &item) engine_.RefreshRowOf(outerDrive_);
  engine_.RefreshRowOf(&item);
}

TEngine::TActivityMark::~TActivityMark() {
  TNetworkDriveItem* item = engine_.activeDrive_;
  engine_.activeDrive_ = outerDrive_;
  engine_.activity_ = outerActivity_;
  engine_.RefreshRowOf(item);
  if (outerDrive_ != item) engine_.RefreshRowOf(outerDrive_);
}

void TEngine::UpdateDriveStatus() {
  int32_t connected = 0, disconnected = 0, inError = 0, unknown = 0, underControl = 0;
  std::vector<TDriveRow>& rows = surfaces_.DriveRows;
  surfaces_.SelectedDriveRow = -1;
  // Rows are addressed by position after every event pass: a nested survey may have
  // rebuilt the list meanwhile, and this one then finishes it from its own count.
  size_t rowCount = 0;
  for (int i = 0; i < NetworkDrives().Count(); ++i) {
    TNetworkDriveItem& item = *NetworkDrives().Items(i);
    if (item.QbyControl) {
      ++underControl;
      if (rows.size() <= rowCount) rows.resize(rowCount + 1);
      FillRow(rows[rowCount++], item);
      switch (item.State) {
        case dsConnected: ++connected; break;
        case dsDisconnected: ++disconnected; break;
        case dsError: ++inError; break;
        default: ++unknown; break;
      }
    }
    platform_.ui.ProcessMessages();
  }
  rows.resize(rowCount);
  surfaces_.SelectedDriveRow = -1;
  // Published together, so the keep-alive thread never reads a half-counted survey.
  NrOfDrivesConnected = connected;
  NrOfDrivesDisconnected = disconnected;
  NrOfDrivesInError = inError;
  NrOfDrivesUnknown = unknown;
  NrOfDrivesUnderQBYControl = underControl;

  surfaces_.SetTrayPicture(inError > 0        ? kImageError
                           : disconnected > 0 ? kImageDisconnected
                           : unknown > 0      ? kImageUnknown
                                              : kImageConnected);

  std::string summary = T(10222);
  summary += std::to_string(connected);
  summary += " \r\n";
  summary += T(10223);
  summary += std::to_string(disconnected);
  summary += " \r\n";
  summary += T(10224);
  summary += std::to_string(inError);
  surfaces_.SetTrayTip("Quillbay\r\n" + summary);
  surfaces_.SetStatusText(summary);

  const bool current = CurrentConnectionError;
  if (!Prefs().DisableBalloonMessages) {
    TBalloonHint& balloon = surfaces_.BalloonHintMessage;
    if (current && !PreviousConnectionError) {
      if (inError > 1)
        balloon.ShowBalloon(kProductName, T(10305) + std::to_string(inError) + T(10306), 3);
      else
        balloon.ShowBalloon(kProductName, T(10307), 3);
    } else if (!current && PreviousConnectionError) {
      if (disconnected > 0) {
        const std::string text = T(10308) + " (" + std::to_string(disconnected) + T(10326) + ")";
        balloon.ShowBalloon(kProductName, text, 2);
        AddMessage(mkWarning, text);
      } else {
        const std::string text = T(10308);
        balloon.ShowBalloon(kProductName, text, 1);
        AddMessage(mkInformation, text);
      }
    }
  }
  PreviousConnectionError = current;
  if (surfaces_.OnDriveRowsRebuilt) surfaces_.OnDriveRowsRebuilt();
}
