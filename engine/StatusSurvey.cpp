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
    cell.assign("-");
    return;
  }
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, freeSpace).ptr;
  cell.assign(digits, end);
  cell.append(" %");
}

void FillRow(TDriveRow& row, TNetworkDriveItem& item) {
  row.ImageIndex = RowImage(item.State);
  row.Drive = &item;
  row.Cells[0].assign(item.Drive);
  row.Cells[1].assign(item.NetworkName);
  AssignLowerAscii(row.Cells[2], item.NetworkLocation);
  AssignLowerAscii(row.Cells[3], item.RealLocation);
  AssignFreeSpace(row.Cells[4], item.FreeSpace);
}

}  // namespace

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
