#include "data/Configuration.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/AsciiText.h"
#include "base/ProductInfo.h"
#include "data/Languages.h"
#include "data/StoredLimits.h"
#include "data/StoredPasswords.h"
#include "platform/Platform.h"
#include "platform/WinTypes.h"

namespace {

constexpr const char* kPreferences = "Preferences";
constexpr const char* kHistory = "NetworkLocationHistoryList";
constexpr int kIndexesRead = 6;

std::string DriveSection(const TNetworkDriveItem& drive) { return "NetworkDrive_" + drive.Drive; }

std::string Indexed(const char* key, size_t index) {
  std::string name(key);
  name += '_';
  name += std::to_string(index);
  return name;
}

// A hand-edited file may hold any number; keep only those that cannot do harm. A mount
// delay blocks the window for that many seconds, and the keep-alive interval is turned
// into milliseconds. 0 stops the keep-alive timer by design and is kept.
int32_t SafeDelayVolumeMount(int32_t seconds) { return std::clamp(seconds, 0, 60); }
int32_t SafeLongReconnectInterval(int32_t minutes) {
  if (minutes < 0) return TQbyPrefs{}.LongReconnectInterval;
  return std::min(minutes, 360);
}

// The keys a drive section is rebuilt from; any other key in it was added by hand or by
// another program and is kept.
bool IsDriveKey(const std::string& key) {
  for (const char* fixed : {"Drive", "NetworkLocation", "DriveState", "Username", "Password", "NetworkName"})
    if (SameTextAscii(key, fixed)) return true;
  for (const char* indexed : {"TrueCryptVolumeDrive_", "TrueCryptVolumeVolume_", "TrueCryptVolumePassword_",
                              "TrueCryptVolumeOptions_", "RunProgramProgram_", "RunProgramParameters_"}) {
    const std::string prefix(indexed);
    if (key.size() > prefix.size() && SameTextAscii(key.substr(0, prefix.size()), prefix) &&
        std::all_of(key.begin() + static_cast<std::ptrdiff_t>(prefix.size()), key.end(),
                    [](char c) { return c >= '0' && c <= '9'; }))
      return true;
  }
  return false;
}

// A protected value is longer than the password it holds and may run past what the
// profile functions give back; only this version writes them, and whole, so it is read
// whole. Any other value is read as the profile functions read it.
void ReadPassword(DataProtection& protection, const TIniFile& file, const std::string& section,
                  const std::string& key, std::string& password, std::string& unreadable) {
  std::string stored = file.ReadWholeString(section, key);
  if (!IsProtectedPassword(stored)) stored = file.ReadString(section, key, "");
  TStoredPassword read = ReadStoredPassword(protection, stored);
  password = std::move(read.Password);
  unreadable = read.Unreadable ? stored : std::string();
}

}  // namespace

std::string ConfigurationFileName(Platform& platform) {
  std::string appData;
  if (!platform.environment.GetFolderVariable("APPDATA", appData) || appData.empty())
    return platform.environment.WindowsDirectory() + "\\Quillbay.ini";
  if (appData.back() != '\\' && appData.back() != '/') appData += '\\';
  // A relative folder would follow the current folder, which changes between runs.
  return platform.environment.FullPathName(appData + "Quillbay.ini");
}

std::string DeploymentFileName(Platform& platform) {
  return ExecutableFolder(platform) + "Deployment.ini";
}

TQbyConfiguration::TQbyConfiguration(Platform& machine, const TLanguage& texts)
    : platform(machine), language(texts) {}

void TQbyConfiguration::Open() {
  IniFile = std::make_unique<TIniFile>(platform, ConfigurationFileName(platform));
  IniFileUnreadable = !IniFile->Load();
  DeploymentFile.reset();
  const std::string deployment = DeploymentFileName(platform);
  if (platform.files.FileExists(deployment)) {
    DeploymentFile = std::make_unique<TIniFile>(platform, deployment);
    DeploymentFile->Load();
  }
}

void TQbyConfiguration::ReadPreferences() {
  const TQbyPrefs defaults;
  const TIniFile& f = *IniFile;
  TQbyPrefs& p = Prefs;
  p.FirstTimeUsage = f.ReadBool(kPreferences, "FirstTimeUsage", defaults.FirstTimeUsage);
  p.MinimizeOnStartup = f.ReadBool(kPreferences, "MinimizeOnStartup", defaults.MinimizeOnStartup);
  p.ConnectNetworkDrivesOnStartup =
      f.ReadBool(kPreferences, "ConnectNetworkDrivesOnStartup", defaults.ConnectNetworkDrivesOnStartup);
  p.StartAutomaticallyByWindows =
      f.ReadBool(kPreferences, "StartAutomaticallyByWindows", defaults.StartAutomaticallyByWindows);
  p.DisableBalloonMessages = f.ReadBool(kPreferences, "DisableBalloonMessages", defaults.DisableBalloonMessages);
  p.DoubleClickIsExploreNetworkDrive =
      f.ReadBool(kPreferences, "DoubleClickIsExploreNetworkDrive", defaults.DoubleClickIsExploreNetworkDrive);
  p.Language = f.ReadString(kPreferences, "Language", defaults.Language);
  p.TrueCryptProgramLocation =
      f.ReadString(kPreferences, "TrueCryptProgramLocation", defaults.TrueCryptProgramLocation);
  p.DismountVolumesOnExit = f.ReadBool(kPreferences, "DismountVolumesOnExit", defaults.DismountVolumesOnExit);
  p.DelayVolumeMount =
      SafeDelayVolumeMount(f.ReadInteger(kPreferences, "DelayVolumeMount", defaults.DelayVolumeMount));
  p.UseAlternativeConnectionMethod =
      f.ReadBool(kPreferences, "UseAlternativeConnectionMethod", defaults.UseAlternativeConnectionMethod);
  p.UseForcedDisconnect = f.ReadBool(kPreferences, "UseForcedDisconnect", defaults.UseForcedDisconnect);
  p.DisconnectForeignNetworkDrivesOnStartup = f.ReadBool(
      kPreferences, "DisconnectForeignNetworkDrivesOnStartup", defaults.DisconnectForeignNetworkDrivesOnStartup);
  p.RemoveAllNetworkDrivesOnExit =
      f.ReadBool(kPreferences, "RemoveAllNetworkDrivesOnExit", defaults.RemoveAllNetworkDrivesOnExit);
  p.LongReconnectInterval = SafeLongReconnectInterval(
      f.ReadInteger(kPreferences, "LongReconnectInterval", defaults.LongReconnectInterval));
  p.MaxNrOfShortReconnectAttempts =
      f.ReadInteger(kPreferences, "MaxNrOfShortReconnectAttempts", defaults.MaxNrOfShortReconnectAttempts);
}

void ReadConfigurationAndTexts(TQbyConfiguration& configuration, TLanguage& language) {
  configuration.Open();
  configuration.ReadPreferences();
  language.Open(configuration.platform, configuration.Prefs.Language);
  configuration.ReadNetworkDrives();
  configuration.ReadDeploymentDrives();
}

void TQbyConfiguration::ReadNetworkDrives() {
  NetworkDrives.Clear();
  // Only the letters in use need asking: a free one is never a local device, and asking
  // about each of the 26 is slow on some systems.
  const uint32_t inUse = platform.drives.GetLogicalDrives();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if ((inUse >> (letter - 'A')) & 1) {
      const std::string root = std::string(1, letter) + ":\\";
      const uint32_t type = platform.drives.GetDriveType(root.c_str());
      if (type != win::DRIVE_NO_ROOT_DIR && type != win::DRIVE_REMOTE) continue;
    }
    TNetworkDriveItem& drive = *NetworkDrives.Add();
    drive.Drive = std::string(1, letter) + ":";
    drive.DriveNumber = letter - 'A' + 1;
    drive.NetworkLocation = IniFile->ReadString(DriveSection(drive), "NetworkLocation", "");
    drive.QbyControl = !drive.NetworkLocation.empty();
    if (drive.QbyControl) ReadDriveSection(*IniFile, drive);
  }
  NetworkLocationHistoryList.clear();
  for (int i = 0; i < kNetworkLocationHistoryMax; ++i) {
    std::string location = IniFile->ReadString(kHistory, std::to_string(i), "");
    if (!location.empty()) NetworkLocationHistoryList.push_back(std::move(location));
  }
}

void TQbyConfiguration::RememberNetworkLocation(const std::string& location) {
  std::vector<std::string>& history = NetworkLocationHistoryList;
  auto known = std::find_if(history.begin(), history.end(),
                            [&](const std::string& entry) { return SameTextAscii(entry, location); });
  if (known == history.end()) {
    history.insert(history.begin(), location);
    if (history.size() > static_cast<size_t>(kNetworkLocationHistoryMax))
      history.erase(history.begin() + kNetworkLocationHistoryMax);
  } else {
    std::rotate(history.begin(), known, known + 1);
  }
}

void TQbyConfiguration::ReadDriveSection(const TIniFile& file, TNetworkDriveItem& drive) {
  const std::string section = DriveSection(drive);
  if (file.ReadInteger(section, "DriveState", dsUnknown) == dsDisconnected) {
    drive.State = dsDisconnected;
    drive.RealLocation = language.Translate(10034);
  } else {
    drive.State = dsUnknown;
    drive.RealLocation = language.Translate(10035);
  }
  drive.NetworkName = file.ReadString(section, "NetworkName", "");
  drive.Username = file.ReadString(section, "Username", "");
  ReadPassword(platform.protection, file, section, "Password", drive.Password, drive.UnreadablePassword);
  for (size_t n = 0; n < kIndexesRead; ++n) {
    const std::string volumeDrive = file.ReadString(section, Indexed("TrueCryptVolumeDrive", n), "");
    if (volumeDrive.empty()) continue;
    auto volume = std::make_unique<TTrueCryptVolumeItem>();
    volume->Drive = volumeDrive;
    volume->Volume = file.ReadString(section, Indexed("TrueCryptVolumeVolume", n), "");
    ReadPassword(platform.protection, file, section, Indexed("TrueCryptVolumePassword", n), volume->Password,
                 volume->UnreadablePassword);
    volume->Options = file.ReadString(section, Indexed("TrueCryptVolumeOptions", n), "");
    drive.TrueCryptVolumesList.push_back(std::move(volume));
  }
  for (size_t n = 0; n < kIndexesRead; ++n) {
    const std::string program = file.ReadString(section, Indexed("RunProgramProgram", n), "");
    if (program.empty()) continue;
    auto entry = std::make_unique<TRunProgramItem>();
    entry->Program = program;
    entry->Parameters = file.ReadString(section, Indexed("RunProgramParameters", n), "");
    drive.RunProgramsList.push_back(std::move(entry));
  }
}

void TQbyConfiguration::ReadDeploymentDrives() {
  if (!DeploymentFile) return;
  for (const auto& item : NetworkDrives) {
    TNetworkDriveItem& drive = *item;
    if (drive.QbyControl) continue;
    std::string location = DeploymentFile->ReadString(DriveSection(drive), "NetworkLocation", "");
    if (location.empty()) continue;
    drive.NetworkLocation = std::move(location);
    drive.QbyControl = true;
    drive.DeploymentDrive = true;
    ReadDriveSection(*DeploymentFile, drive);
  }
}

void TQbyConfiguration::SaveConfiguration() {
  if (!IniFile) Open();
  TIniFile& f = *IniFile;
  // Rebuilding from this run's state would replace drives it never saw.
  if (IniFileUnreadable || !f.Load()) throw EIniFileError("Unable to write to " + f.DisplayName());
  RefuseUnstorablePasswords();

  const TQbyPrefs& p = Prefs;
  f.WriteBool(kPreferences, "FirstTimeUsage", false);
  f.WriteBool(kPreferences, "MinimizeOnStartup", p.MinimizeOnStartup);
  f.WriteBool(kPreferences, "ConnectNetworkDrivesOnStartup", p.ConnectNetworkDrivesOnStartup);
  f.WriteBool(kPreferences, "StartAutomaticallyByWindows", p.StartAutomaticallyByWindows);
  f.WriteBool(kPreferences, "DisableBalloonMessages", p.DisableBalloonMessages);
  f.WriteBool(kPreferences, "DoubleClickIsExploreNetworkDrive", p.DoubleClickIsExploreNetworkDrive);
  f.WriteString(kPreferences, "Language", p.Language);
  f.WriteString(kPreferences, "TrueCryptProgramLocation", p.TrueCryptProgramLocation);
  f.WriteBool(kPreferences, "DismountVolumesOnExit", p.DismountVolumesOnExit);
  f.WriteInteger(kPreferences, "DelayVolumeMount", p.DelayVolumeMount);
  f.WriteBool(kPreferences, "UseAlternativeConnectionMethod", p.UseAlternativeConnectionMethod);
  f.WriteBool(kPreferences, "UseForcedDisconnect", p.UseForcedDisconnect);
  f.WriteBool(kPreferences, "DisconnectForeignNetworkDrivesOnStartup", p.DisconnectForeignNetworkDrivesOnStartup);
  f.WriteBool(kPreferences, "RemoveAllNetworkDrivesOnExit", p.RemoveAllNetworkDrivesOnExit);
  f.WriteInteger(kPreferences, "LongReconnectInterval", p.LongReconnectInterval);
  f.WriteInteger(kPreferences, "MaxNrOfShortReconnectAttempts", p.MaxNrOfShortReconnectAttempts);

  for (const auto& item : NetworkDrives) {
    TNetworkDriveItem& drive = *item;
    const std::string section = DriveSection(drive);
    const std::vector<std::string> foreignLines = f.ReadForeignLines(section, IsDriveKey);
    f.EraseSection(section);
    if (!drive.QbyControl || drive.DeploymentDrive) continue;
    f.WriteString(section, "Drive", drive.Drive);
    f.WriteString(section, "NetworkLocation", drive.NetworkLocation);
    f.WriteInteger(section, "DriveState", drive.State);
    f.WriteString(section, "Username", drive.Username);
    f.WriteString(section, "Password", StoredPassword(drive.Password, drive.UnreadablePassword, "drive " + drive.Drive));
    f.WriteString(section, "NetworkName", drive.NetworkName);
    for (size_t n = 0; n < drive.TrueCryptVolumesList.size(); ++n) {
      TTrueCryptVolumeItem& volume = *drive.TrueCryptVolumesList[n];
      f.WriteString(section, Indexed("TrueCryptVolumeDrive", n), volume.Drive);
      f.WriteString(section, Indexed("TrueCryptVolumeVolume", n), volume.Volume);
      f.WriteString(section, Indexed("TrueCryptVolumePassword", n),
                    StoredPassword(volume.Password, volume.UnreadablePassword,
                                   "TrueCrypt volume '" + volume.Volume + "' of drive " + drive.Drive));
      f.WriteString(section, Indexed("TrueCryptVolumeOptions", n), volume.Options);
    }
    for (size_t n = 0; n < drive.RunProgramsList.size(); ++n) {
      const TRunProgramItem& program = *drive.RunProgramsList[n];
      f.WriteString(section, Indexed("RunProgramProgram", n), program.Program);
      f.WriteString(section, Indexed("RunProgramParameters", n), program.Parameters);
    }
    f.WriteForeignLines(section, foreignLines);
  }

  f.EraseSection(kHistory);
  for (size_t i = 0; i < NetworkLocationHistoryList.size(); ++i)
    if (!NetworkLocationHistoryList[i].empty()) f.WriteString(kHistory, std::to_string(i), NetworkLocationHistoryList[i]);

  f.UpdateFile();

  // Only once the file holds the new preference: after a failed save the Run value and
  // the file still agree.
  // Quoted: Windows would split an unquoted path at its first blank ("C:\Program Files").
  std::string command = platform.environment.ExecutablePath();
  command.insert(command.begin(), '"');
  command.push_back('"');
  SetAutoStart(platform, kAutoStartValueName, command, p.StartAutomaticallyByWindows, RegistryRoot::CurrentUser);
}

// Sealed for the logged-on user. A password this account could not read is written back
// as it stands until the user stores a new one, which replaces it for good. Storing it
// scrambled instead would hand it to anyone with a copy of the file, so a refusal stops
// the save before the file changes.
std::string TQbyConfiguration::StoredPassword(const std::string& password, std::string& unreadable,
                                              const std::string& owner) const {
  if (password.empty()) return unreadable;
  unreadable.clear();
  std::string stored;
  if (!ProtectPassword(platform.protection, password, stored))
    throw EIniFileError("Unable to write to " + IniFile->DisplayName() + ": the password of " + owner +
                        " cannot be protected for this Windows account.");
  return stored;
}

// A longer password would read back cut, while the save reported success.
void TQbyConfiguration::RefuseUnstorablePasswords() const {
  const std::string refusal = "Unable to write to " + IniFile->DisplayName() + ": the password of ";
  const std::string limit = " is longer than " + std::to_string(MaxPasswordLength) + " characters.";
  for (const auto& item : NetworkDrives) {
    const TNetworkDriveItem& drive = *item;
    if (!drive.QbyControl || drive.DeploymentDrive) continue;
    if (drive.Password.size() > MaxPasswordLength) throw EIniFileError(refusal + "drive " + drive.Drive + limit);
    for (const auto& volume : drive.TrueCryptVolumesList)
      if (volume->Password.size() > MaxPasswordLength)
        throw EIniFileError(refusal + "TrueCrypt volume '" + volume->Volume + "' of drive " + drive.Drive + limit);
  }
}

bool TQbyConfiguration::SaveConfigurationReportingErrors() {
  try {
    SaveConfiguration();
    return true;
  } catch (const EIniFileError& error) {
    platform.ui.MessageBox(error.what(), kProductName, MessageBoxKind::Error);
    return false;
  }
}

bool SetAutoStart(Platform& platform, const std::string& valueName, const std::string& command, bool add,
                  RegistryRoot root) {
  if (valueName.empty() && command.empty()) return false;
  try {
    std::unique_ptr<RegistryKey> key = platform.registry.CreateKey(root, kRunKeyPath);
    if (!key) return false;
    if (add) return key->SetString(valueName, command) == win::NO_ERROR;
    const uint32_t result = key->DeleteValue(valueName);
    return result == win::NO_ERROR || result == win::ERROR_FILE_NOT_FOUND;
  } catch (...) {
    return false;
  }
}
