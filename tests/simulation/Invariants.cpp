#include "simulation/Invariants.h"

#include <functional>
#include <sstream>

#include "base/AsciiText.h"
#include "data/Configuration.h"
#include "data/Languages.h"
#include "engine/HeartBeatThread.h"
#include "platform/WinTypes.h"
#include "platform/sim/SimMachine.h"
#include "ui/Main.h"

namespace {

// A drive that could connect has this long to be connected: the network-event delay, one
// long interval, and time for runs on slow servers.
int64_t ReconnectBoundMs(const TMainForm& form) {
  return THeartBeatThread::NetworkEventDelay + int64_t{form.Configuration.Prefs.LongReconnectInterval} * 60000 +
         5 * 60000;
}

std::string WithoutTrailingBackslashes(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

bool Connected(SimMachine& pc, const TNetworkDriveItem& drive) {
  return drive.State == dsConnected &&
         SameTextAscii(pc.MappingOf(drive.Drive[0]), WithoutTrailingBackslashes(drive.NetworkLocation));
}

std::string ServerOf(const std::string& path) {
  const size_t end = path.find('\\', 2);
  return LowerAscii(path.substr(2, end == std::string::npos ? std::string::npos : end - 2));
}

int RowImage(TDriveState state) {
  switch (state) {
    case dsConnected: return kImageConnected;
    case dsDisconnected: return kImageDisconnected;
    case dsError: return kImageError;
    default: return kImageUnknown;
  }
}

bool HeldByLocalDevice(SimMachine& pc, const std::string& drive) {
  const uint32_t type = pc.platform().drives.GetDriveType((drive + "\\").c_str());
  return type != win::DRIVE_NO_ROOT_DIR && type != win::DRIVE_REMOTE;
}

// A letter a local device holds is not read from the file while the device is there
// (its section stays in the file); such drives are left out of comparisons with it.
std::vector<TDriveConfig> Without(std::vector<TDriveConfig> drives, const std::function<bool(const std::string&)>& out) {
  std::erase_if(drives, [&](const TDriveConfig& drive) { return out(drive.Drive); });
  return drives;
}

const TNetworkDriveItem* Controlled(const TMainForm& form, const std::string& drive) {
  const TNetworkDriveItem* item = form.Configuration.NetworkDrives.FindDrive(drive);
  return item != nullptr && item->QbyControl ? item : nullptr;
}

// --- The invariants, each a user's expectation ---

std::string NothingLeftBusy(SimMachine& pc, TMainForm& form) {
  if (pc.BusyCursor()) return "the hourglass is still shown";
  if (!form.Enabled) return "the main window is still disabled";
  if (pc.ModalsLeftOpen != 0) return "a dialog did not close";
  if (form.Engine.RunInProgress()) return "a run is still in progress";
  return "";
}

std::string UserDisconnectedStaysDisconnected(SimMachine& pc, TMainForm& form, const TUserView& view) {
  for (size_t i = 0; i < pc.NetCalls.size(); ++i) {
    const SimNetCall& call = pc.NetCalls[i];
    const auto disconnected = view.DisconnectedByUser.find(call.LocalName);
    if ((call.Call == "AddConnection2" || call.Call == "AddConnection") &&
        disconnected != view.DisconnectedByUser.end() && i >= disconnected->second)
      return call.LocalName + " was connected again at " + std::to_string(call.AtMs) + " ms";
  }
  for (const auto& [drive, since] : view.DisconnectedByUser) {
    const TNetworkDriveItem* item = Controlled(form, drive);
    if (item != nullptr && item->State != dsDisconnected) return drive + " no longer shows as disconnected";
  }
  return "";
}

std::string ReconnectsOnceReachable(SimMachine& pc, TMainForm& form, const TInvariants& invariants, TUserView& view) {
  const int64_t now = pc.NowMs();
  for (const auto& item : form.Configuration.NetworkDrives) {
    const std::string& drive = item->Drive;
    const bool expected = item->QbyControl && view.DisconnectedByUser.count(drive) == 0 &&
                          form.Configuration.Prefs.LongReconnectInterval > 0 && invariants.Connectable(form, drive);
    if (!expected) {
      view.ConnectableSince.erase(drive);
      continue;
    }
    const int64_t since = view.ConnectableSince.emplace(drive, now).first->second;
    if (!Connected(pc, *item) && now - since > ReconnectBoundMs(form))
      return drive + " could connect since " + std::to_string(since) + " ms but is not connected (state " +
             std::to_string(item->State) + ", mapped to '" + pc.MappingOf(drive[0]) + "')";
  }
  return "";
}

std::string ProgramsStartOncePerConnectOnTheirDrive(const TUserView& view) {
  if (!view.StartsOffTheDrive.empty()) return "started while its drive was not connected: " + view.StartsOffTheDrive[0];
  for (const auto& [what, starts] : view.Starts)
    if (starts > 1) return what + " started " + std::to_string(starts) + " times";
  return "";
}

std::string WindowShowsTheRecords(TMainForm& form) {
  const TSurfaces& s = form.Surfaces;
  int counts[4] = {0, 0, 0, 0};
  size_t row = 0;
  for (const auto& item : form.Configuration.NetworkDrives) {
    if (!item->QbyControl) continue;
    ++counts[item->State];
    if (row >= s.DriveRows.size()) return "no row for " + item->Drive;
    const TDriveRow& shown = s.DriveRows[row++];
    if (shown.Drive != item.get() || shown.Cells[0] != item->Drive || shown.Cells[1] != item->NetworkName ||
        shown.Cells[2] != LowerAscii(item->NetworkLocation) || shown.ImageIndex != RowImage(item->State))
      return "the row of " + item->Drive + " shows " + shown.Cells[0] + " '" + shown.Cells[1] + "' " + shown.Cells[2] +
             " image " + std::to_string(shown.ImageIndex);
  }
  if (row != s.DriveRows.size()) return std::to_string(s.DriveRows.size() - row) + " rows too many";
  const int picture = counts[dsError] > 0          ? kImageError
                      : counts[dsDisconnected] > 0 ? kImageDisconnected
                      : counts[dsUnknown] > 0      ? kImageUnknown
                                                   : kImageConnected;
  if (s.TrayPicture != picture) return "the tray picture is " + std::to_string(s.TrayPicture);
  const std::string summary = form.T(10222) + std::to_string(counts[dsConnected]) + " \r\n" + form.T(10223) +
                              std::to_string(counts[dsDisconnected]) + " \r\n" + form.T(10224) +
                              std::to_string(counts[dsError]);
  if (s.StatusText != summary) return "the status bar says '" + s.StatusText + "'";
  if (s.TrayTip != ("Quillbay\r\n" + summary).substr(0, 127)) return "the tray tip says '" + s.TrayTip + "'";
  return "";
}

std::string SavedFileEqualsTheRecords(SimMachine& pc, TMainForm& form, TUserView& view) {
  // A save was tried; it took when writes worked, or when the file changed.
  if (pc.ReplaceCount == view.ReplaceCountBefore) return "";
  const std::string file = pc.FileBytes(ConfigurationFileName(pc.platform()));
  if (view.WritesFailed && file == view.FileBefore) return "";
  TLanguage language;
  TQbyConfiguration saved(pc.platform(), language);
  ReadConfigurationAndTexts(saved, language);
  std::set<std::string> unread;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string drive = std::string(1, letter) + ":";
    if (form.Configuration.NetworkDrives.FindDrive(drive) == nullptr || HeldByLocalDevice(pc, drive))
      unread.insert(drive);
  }
  const auto isUnread = [&](const std::string& drive) { return unread.count(drive) != 0; };
  const std::vector<TDriveConfig> onDisk = Without(ConfigOf(saved.NetworkDrives), isUnread);
  const std::vector<TDriveConfig> live = Without(ConfigOf(form.Configuration.NetworkDrives), isUnread);
  if (onDisk != live) return "the file holds " + Describe(onDisk) + " but the program " + Describe(live);
  view.LastSaved = onDisk;
  view.UnreadAtSave = unread;
  view.SavedDisconnected.clear();
  for (const auto& item : saved.NetworkDrives)
    if (item->QbyControl && item->State == dsDisconnected) view.SavedDisconnected.insert(item->Drive);
  view.Saved = true;
  return "";
}

std::string KeepAliveScheduleDefined(SimMachine& pc, TMainForm& form) {
  if (!form.HeartBeatThread) return "no keep-alive thread";
  const THeartBeatThread& beat = *form.HeartBeatThread;
  const int64_t now = pc.NowMs(), due = beat.DueMs();
  const int64_t longMs = int64_t{form.Engine.LongReconnectInterval.load()} * 60000;
  if (beat.InShortInterval()) {
    if (beat.ShortAttempt() < 1) return "short attempt " + std::to_string(beat.ShortAttempt());
    if (due < now || due > now + THeartBeatThread::ShortReconnectInterval)
      return "short schedule due at " + std::to_string(due) + " ms, now " + std::to_string(now);
  } else if (longMs == 0) {
    if (beat.TimerRunning()) return "the timer runs with an interval of 0";
  } else if (due < now || due > now + longMs) {
    return "long schedule due at " + std::to_string(due) + " ms, now " + std::to_string(now);
  }
  return "";
}

std::string WithinBounds(SimMachine& pc, TMainForm& form, TUserView& view) {
  const TSurfaces& s = form.Surfaces;
  const TBalloonHint& balloon = s.BalloonHintMessage;
  if (s.TrayTip.size() > 127) return "tray tip of " + std::to_string(s.TrayTip.size()) + " characters";
  if (balloon.Title.size() > 63 || balloon.Text.size() > 255) return "balloon too long";
  if (s.DriveRows.size() > 26) return std::to_string(s.DriveRows.size()) + " drive rows";
  if (balloon.ShownCount != view.BalloonShownCount) {
    view.BalloonShownCount = balloon.ShownCount;
    view.BalloonShownAtMs = pc.NowMs();
  } else if (balloon.Visible && pc.NowMs() - view.BalloonShownAtMs > 10000) {
    return "a balloon shown at " + std::to_string(view.BalloonShownAtMs) + " ms is still up";
  }
  if (pc.AttachedThreads() > 1) return std::to_string(pc.AttachedThreads()) + " keep-alive threads";
  return "";
}

}  // namespace

std::vector<TDriveConfig> ConfigOf(const TNetworkDriveItems& drives) {
  std::vector<TDriveConfig> configs;
  for (const auto& item : drives) {
    if (!item->QbyControl || item->DeploymentDrive) continue;
    TDriveConfig config{item->Drive, item->NetworkLocation, item->NetworkName, item->Username, item->Password, {}, {}};
    for (const auto& program : item->RunProgramsList) config.Programs.push_back(program->Program + " " + program->Parameters);
    for (const auto& volume : item->TrueCryptVolumesList)
      config.Volumes.push_back(volume->Drive + " " + volume->Volume + " " + volume->Password);
    configs.push_back(std::move(config));
  }
  return configs;
}

std::string Describe(const std::vector<TDriveConfig>& drives) {
  std::ostringstream text;
  text << "[";
  for (const TDriveConfig& d : drives) {
    text << " " << d.Drive << "=" << d.Location << " '" << d.Name << "' " << d.User << " programs";
    for (const std::string& p : d.Programs) text << " <" << p << ">";
    text << " volumes";
    for (const std::string& v : d.Volumes) text << " <" << v << ">";
    text << ";";
  }
  text << " ]";
  return text.str();
}

bool TInvariants::Connectable(const TMainForm& form, const std::string& drive) const {
  const TNetworkDriveItem* item = Controlled(form, drive);
  if (item == nullptr || item->DeploymentDrive) return false;
  const SimShare* share = pc_.FindShare(item->NetworkLocation);
  if (share == nullptr || !share->Online || share->DelayMs != 0 || ServersOff.count(ServerOf(share->Path)) != 0)
    return false;
  const uint32_t type = pc_.platform().drives.GetDriveType((drive + "\\").c_str());
  if (type != win::DRIVE_NO_ROOT_DIR && type != win::DRIVE_REMOTE) return false;  // a local device holds it
  if (!share->RequiredUser.empty() &&
      (item->Username != share->RequiredUser || item->Password != share->RequiredPassword))
    return false;
  if (item->Username.empty()) return true;
  // An explicit user must be the one of the machine's other connections to the server.
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string remote = pc_.MappingOf(letter);
    if (letter == drive[0] || remote.empty() || ServerOf(remote) != ServerOf(share->Path)) continue;
    if (!SameTextAscii(pc_.MappingUserOf(letter), item->Username)) return false;
  }
  return true;
}

TBroken TInvariants::AfterStep(TMainForm& form, TUserView& view) {
  const std::pair<const char*, std::string> checks[] = {
      {"NothingLeftBusy", NothingLeftBusy(pc_, form)},
      {"UserDisconnectedStaysDisconnected", UserDisconnectedStaysDisconnected(pc_, form, view)},
      {"ReconnectsOnceReachable", ReconnectsOnceReachable(pc_, form, *this, view)},
      {"ProgramsStartOncePerConnectOnTheirDrive", ProgramsStartOncePerConnectOnTheirDrive(view)},
      {"WindowShowsTheRecords", WindowShowsTheRecords(form)},
      {"SavedFileEqualsTheRecords", SavedFileEqualsTheRecords(pc_, form, view)},
      {"KeepAliveScheduleDefined", KeepAliveScheduleDefined(pc_, form)},
      {"WithinBounds", WithinBounds(pc_, form, view)},
  };
  for (const auto& [name, what] : checks)
    if (!what.empty()) return {name, what};
  return {};
}

TBroken TInvariants::AfterStart(TMainForm& form, TUserView& view) {
  const auto unread = [&](const std::string& drive) {
    return view.UnreadAtSave.count(drive) != 0 || HeldByLocalDevice(pc_, drive);
  };
  const std::vector<TDriveConfig> started = Without(ConfigOf(form.Configuration.NetworkDrives), unread);
  if (view.Saved && started != Without(view.LastSaved, unread))
    return {"NothingLostAcrossARestart", "saved " + Describe(view.LastSaved) + " but started with " + Describe(started)};
  return AfterStep(form, view);
}

TBroken TInvariants::AfterShutdown(TMainForm& form, TUserView& view) {
  if (std::string what = SavedFileEqualsTheRecords(pc_, form, view); !what.empty())
    return {"SavedFileEqualsTheRecords", what};
  return {};
}

TBroken TInvariants::AfterEnd(int exitCode, TUserView&) {
  if (exitCode != 0) {
    const std::string box = pc_.MessageBoxes.empty() ? "" : pc_.MessageBoxes.back().Text;
    return {"NoErrorEscapes", "the program ended with " + std::to_string(exitCode) + ": " + box};
  }
  if (pc_.AttachedThreads() != 0) return {"NothingOutlivesTheProgram", "a keep-alive thread still runs"};
  if (pc_.MainThreadTimers() != 0)
    return {"NothingOutlivesTheProgram", std::to_string(pc_.MainThreadTimers()) + " timers still set"};
  if (pc_.BusyCursor()) return {"NothingOutlivesTheProgram", "the hourglass is still shown"};
  return {};
}
