#pragma once
#include <memory>
#include <string>
#include <vector>

#include "data/IniFile.h"
#include "data/NetworkDrives.h"
#include "data/Prefs.h"
#include "platform/Registry.h"

struct Platform;
class TLanguage;

constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kAutoStartValueName = "Quillbay";
constexpr int kNetworkLocationHistoryMax = 12;

// Where the files live.
std::string ConfigurationFileName(Platform& platform);  // %APPDATA%\Quillbay.ini
std::string DeploymentFileName(Platform& platform);     // <exe folder>\Deployment.ini

// The persistent state of the program and the operations that read and write it.
class TQbyConfiguration {
 public:
  TQbyConfiguration(Platform& platform, const TLanguage& language);

  // Start-up: opens the configuration file (and the deployment file when it exists).
  void Open();
  void ReadPreferences();
  void ReadNetworkDrives();
  void ReadDriveSection(const TIniFile& file, TNetworkDriveItem& drive);
  void ReadDeploymentDrives();
  // Writes everything back; throws EIniFileError ("Unable to write to <path>") when the
  // file cannot be replaced, leaving it as it was. Sections the program does not own are
  // kept as they are in the file now. A file that could not be read at start-up is never
  // replaced: this run holds none of its drives.
  void SaveConfiguration();
  // A password too long to read back whole refuses the save (EIniFileError naming the
  // drive or the volume) before anything changes.
  void RefuseUnstorablePasswords() const;
  // The form a password takes in the user's file; owner names it in a refusal
  // (EIniFileError) when the system will not protect it.
  std::string StoredPassword(const std::string& password, std::string& unreadable, const std::string& owner) const;
  // SaveConfiguration that shows a failure in an error box; false when it failed.
  bool SaveConfigurationReportingErrors();
  // A location just used goes to the front of the history (once, whatever its case), which
  // keeps the newest kNetworkLocationHistoryMax.
  void RememberNetworkLocation(const std::string& location);

  Platform& platform;
  const TLanguage& language;
  std::unique_ptr<TIniFile> IniFile;
  std::unique_ptr<TIniFile> DeploymentFile;
  TQbyPrefs Prefs;
  TNetworkDriveItems NetworkDrives;
  std::vector<std::string> NetworkLocationHistoryList;
  // The configuration file existed at start-up but could not be read.
  bool IniFileUnreadable = false;
};

// The whole start-up read, in the order it needs: the preferences name the language, and
// the drives' states are shown in its words.
void ReadConfigurationAndTexts(TQbyConfiguration& configuration, TLanguage& language);

// Creates or deletes the autostart value; true on success.
bool SetAutoStart(Platform& platform, const std::string& valueName, const std::string& command,
                  bool add, RegistryRoot root);
