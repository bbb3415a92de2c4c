#include "engine/ProgramsAndVolumes.h"

#include <algorithm>
#include <string>

#include "base/ProductInfo.h"
#include "data/TrueCryptVolumes.h"
#include "engine/Engine.h"
#include "platform/Platform.h"
#include "platform/WinTypes.h"

std::string QuoteCommandLineArgument(const std::string& text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  size_t backslashes = 0;
  for (char c : text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes only escape when a quote follows them.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(backslashes * 2, '\\');  // they precede the closing quote
  quoted += '"';
  return quoted;
}

std::string TrueCryptMountParameters(const TTrueCryptVolumeItem& volume) {
  std::string parameters = "/v " + QuoteCommandLineArgument(volume.Volume) + " /l " + volume.Drive;
  if (!volume.Password.empty())
    parameters += " /p " + QuoteCommandLineArgument(volume.Password) + " /q background /f /s";
  else
    parameters += " /q background";
  if (!volume.Options.empty()) parameters += " " + volume.Options;
  return parameters;
}

namespace {
// The shell's errors run up to 32 (SE_ERR_DLLNOTFOUND); only a larger value is a start.
bool Started(intptr_t shellResult) { return shellResult > 32; }
}  // namespace

void TEngine::RunPrograms(TNetworkDriveItem& drive, bool Now) {
  if (!Now && (drive.ProgramsHaveBeenRunned || drive.State != dsConnected)) return;
  drive.ProgramsHaveBeenRunned = true;
  HourglassCursor hourglass(platform_.ui);
  // By index, with the entry copied: processing events may let a dialog replace the list.
  for (size_t i = 0; i < drive.RunProgramsList.size(); ++i) {
    const TRunProgramItem* entry = drive.RunProgramsList[i].get();
    if (entry == nullptr || entry->Program.empty()) continue;
    const std::string program = entry->Program;
    const std::string parameters = entry->Parameters;
    try {
      if (Started(platform_.shell.ShellExecute("open", program.c_str(), parameters.c_str(), win::SW_SHOWNORMAL)))
        AddMessage(mkProgram, T(10315) + program + "' ...");
      else
        AddMessage(mkWarning, T(10317) + program + "'.");
    } catch (...) {
      AddMessage(mkError, T(10317) + program + "'.");
    }
    platform_.ui.ProcessMessages();
  }
}

void TEngine::MountVolumes(TNetworkDriveItem& drive, bool Now) {
  if (drive.State != dsConnected) return;
  if (!Now && (drive.VolumesHaveBeenMounted || drive.TrueCryptVolumesList.empty())) return;
  drive.VolumesHaveBeenMounted = true;
  HourglassCursor hourglass(platform_.ui);
  for (size_t i = 0; i < drive.TrueCryptVolumesList.size(); ++i) {
    const TTrueCryptVolumeItem* entry = drive.TrueCryptVolumesList[i].get();
    if (entry == nullptr) continue;
    if (!TrueCryptProgramExists()) {
      AddMessage(mkError, T(10320));
    } else if (!entry->Volume.empty() && !entry->Drive.empty()) {
      // Copies: the delay below processes events, which may replace the entry or the prefs.
      const TTrueCryptVolumeItem volume = *entry;
      const std::string trueCrypt = Prefs().TrueCryptProgramLocation;
      try {
        try {
          platform_.shell.ShellExecute("open", trueCrypt.c_str(), ("/d " + volume.Drive + " /q /f /s").c_str(),
                                       win::SW_SHOWNORMAL);
        } catch (...) {
          // Clearing the letter first is a courtesy; the mount reports for itself.
        }
        const std::string parameters = TrueCryptMountParameters(volume);
        const int32_t delay = Prefs().DelayVolumeMount;
        if (delay > 0) {
          AddMessage(mkVolume, T(10321) + std::to_string(delay) + T(10322));
          platform_.ui.WaitServingMessages(static_cast<uint32_t>(std::min<int64_t>(int64_t{delay} * 1000, UINT32_MAX)));
          // Events ran meanwhile: the drive may be gone, and TrueCrypt would then look for
          // the volume in vain. Volumes not yet started wait for the drive's next connect.
          if (drive.State != dsConnected) {
            if (i == 0) drive.VolumesHaveBeenMounted = false;
            return;
          }
        }
        if (Started(platform_.shell.ShellExecute("open", trueCrypt.c_str(), parameters.c_str(), win::SW_SHOWDEFAULT)))
          AddMessage(mkVolume, T(10323) + volume.Volume + T(10324) + volume.Drive + "' ...");
        else
          AddMessage(mkWarning, T(10325) + volume.Volume + "'.");
      } catch (...) {
        AddMessage(mkError, T(10325) + volume.Volume + "'.");
      }
    }
    platform_.ui.ProcessMessages();
  }
}

void TEngine::DismountAllVolumes() {
  if (!TrueCryptProgramExists()) return;
  try {
    platform_.shell.ShellExecute("open", Prefs().TrueCryptProgramLocation.c_str(), "/d /q /f /s", win::SW_SHOWNORMAL);
  } catch (...) {
    // On the way out: nothing left to report to.
  }
}

void TEngine::StartTrueCrypt() {
  if (!TrueCryptProgramExists()) {
    platform_.ui.MessageBox(T(10320), kProductName, MessageBoxKind::Information);
    return;
  }
  const std::string trueCrypt = Prefs().TrueCryptProgramLocation;
  AddMessage(mkProgram, T(10315) + trueCrypt + "' ...");
  try {
    platform_.shell.ShellExecute("open", trueCrypt.c_str(), nullptr, win::SW_SHOWNORMAL);
  } catch (...) {
    // A failed start shows itself: TrueCrypt does not appear.
  }
}
