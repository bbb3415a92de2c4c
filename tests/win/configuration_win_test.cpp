// The configuration on a real Windows machine: files on disk that the profile functions
// of Windows read the same way, a file locked by another program, and the Run key.
#include <gtest/gtest.h>

#include "platform/win32/WindowsApi.h"

#include <fstream>
#include <sstream>

#include "data/Configuration.h"
#include "data/Languages.h"
#include "data/PasswordScrambler.h"
#include "data/StoredLimits.h"
#include "data/StoredPasswords.h"
#include "platform/win32/Win32Platform.h"

namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Profile(const std::string& path, const std::string& section, const std::string& key) {
  char buffer[2048] = {};
  GetPrivateProfileStringA(section.c_str(), key.c_str(), "<missing>", buffer, sizeof buffer, path.c_str());
  return buffer;
}

bool RunValue(const std::string& name, std::string& value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  char buffer[1024] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  const LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ) return false;
  value = buffer;
  return true;
}

// Two letters with no device behind them.
std::string FreeLetters() {
  std::string letters;
  const DWORD mask = GetLogicalDrives();
  for (char letter = 'X'; letter >= 'E' && letters.size() < 2; --letter)
    if ((mask & (1u << (letter - 'A'))) == 0) letters += letter;
  return letters;
}

// APPDATA pointed at a folder of the test's own; Deployment.ini beside the test program
// while the test runs. Everything, the machine's own autostart value too, is put back afterwards.
class RealProfile {
 public:
  RealProfile() {
    char temp[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    folder_ = std::string(temp, length) + "QuillbayConfigTest-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder_.c_str(), nullptr);
    char previous[MAX_PATH + 1] = {};
    hadAppData_ = GetEnvironmentVariableA("APPDATA", previous, sizeof previous) > 0;
    previousAppData_ = previous;
    SetEnvironmentVariableA("APPDATA", folder_.c_str());
    iniPath = folder_ + "\\Quillbay.ini";
    deploymentPath = ExecutableFolder(machine.platform()) + "Deployment.ini";
    hadRun_ = RunValue(kAutoStartValueName, previousRun_);
  }
  ~RealProfile() {
    SetAutoStart(machine.platform(), kAutoStartValueName, previousRun_, hadRun_, RegistryRoot::CurrentUser);
    DeleteFileA(iniPath.c_str());
    DeleteFileA(deploymentPath.c_str());
    RemoveDirectoryA(folder_.c_str());
    SetEnvironmentVariableA("APPDATA", hadAppData_ ? previousAppData_.c_str() : nullptr);
  }
  // Start-up's reading, as the program does it.
  std::unique_ptr<TQbyConfiguration> Start() {
    auto configuration = std::make_unique<TQbyConfiguration>(machine.platform(), language);
    configuration->Open();
    configuration->ReadPreferences();
    configuration->ReadNetworkDrives();
    configuration->ReadDeploymentDrives();
    return configuration;
  }

  Win32Platform machine;
  TLanguage language;
  std::string iniPath;
  std::string deploymentPath;

 private:
  std::string folder_;
  std::string previousAppData_;
  bool hadAppData_ = false;
  std::string previousRun_;
  bool hadRun_ = false;
};

TEST(ConfigurationOnWindows, FilesOnDiskReadAndWriteLikeTheProfileFunctions) {
  const std::string letters = FreeLetters();
  ASSERT_EQ(letters.size(), 2u) << "needs two free drive letters";
  const std::string user = std::string(1, letters[0]) + ":";
  const std::string deployed = std::string(1, letters[1]) + ":";
  RealProfile profile;
  EXPECT_EQ(ConfigurationFileName(profile.machine.platform()), profile.iniPath);

  WriteBytes(profile.iniPath, "[Preferences]\r\nLanguage=Dansk\r\nDelayVolumeMount=9\r\n"
                              "[NetworkDrive_C:]\r\nNetworkLocation=\\\\nas\\fixed\r\n"
                              "[NetworkDrive_" + user + "]\r\nNetworkLocation=\\\\nas\\media\r\nDriveState=1\r\n"
                              "Password=" + ScramblePassword("secret") + "\r\n");
  WriteBytes(profile.deploymentPath, "[NetworkDrive_" + deployed + "]\r\nNetworkLocation=\\\\corp\\projects\r\n"
                                     "Password=" + ScramblePassword("corp pw") + "\r\n");

  auto run = profile.Start();
  ASSERT_NE(run->DeploymentFile, nullptr);
  EXPECT_EQ(run->Prefs.Language, "Dansk");
  EXPECT_EQ(run->Prefs.DelayVolumeMount, 9);
  EXPECT_EQ(run->NetworkDrives.FindDrive("C:"), nullptr);
  TNetworkDriveItem* drive = run->NetworkDrives.FindDrive(user);
  ASSERT_NE(drive, nullptr);
  EXPECT_EQ(drive->State, dsDisconnected);
  EXPECT_EQ(drive->Password, "secret");
  TNetworkDriveItem* deployment = run->NetworkDrives.FindDrive(deployed);
  ASSERT_NE(deployment, nullptr);
  EXPECT_TRUE(deployment->DeploymentDrive);
  EXPECT_EQ(deployment->Password, "corp pw");

  drive->Username = "alice";
  drive->TrueCryptVolumesList.push_back(std::make_unique<TTrueCryptVolumeItem>());
  drive->TrueCryptVolumesList[0]->Drive = "T:";
  drive->TrueCryptVolumesList[0]->Password = "vault";
  run->NetworkLocationHistoryList = {"\\\\nas\\media", "", "\\\\nas\\old"};
  run->Prefs.StartAutomaticallyByWindows = false;
  run->SaveConfiguration();

  // What Windows' own profile functions see in the saved file.
  const std::string& path = profile.iniPath;
  const std::string section = "NetworkDrive_" + user;
  EXPECT_EQ(Profile(path, "Preferences", "FirstTimeUsage"), "0");
  EXPECT_EQ(Profile(path, "Preferences", "Language"), "Dansk");
  EXPECT_EQ(Profile(path, "Preferences", "StartAutomaticallyByWindows"), "0");
  EXPECT_EQ(Profile(path, "NetworkDrive_C:", "NetworkLocation"), "\\\\nas\\fixed");
  EXPECT_EQ(Profile(path, section, "Drive"), user);
  EXPECT_EQ(Profile(path, section, "DriveState"), "1");
  EXPECT_EQ(Profile(path, section, "Username"), "alice");
  // The old file's scrambled password is rewritten protected; neither it nor its scrambled
  // form is left in the file, and an older version's unscrambling reads no password.
  for (const char* key : {"Password", "TrueCryptVolumePassword_0"}) {
    EXPECT_EQ(Profile(path, section, key).rfind(kProtectedPasswordMark, 0), 0u) << key;
    EXPECT_EQ(UnscramblePassword(Profile(path, section, key)), "") << key;
  }
  const std::string saved = ReadBytes(path);
  for (const char* password : {"secret", "vault"}) {
    EXPECT_EQ(saved.find(password), std::string::npos) << password;
    EXPECT_EQ(saved.find(ScramblePassword(password)), std::string::npos) << password;
  }
  EXPECT_EQ(Profile(path, "NetworkDrive_" + deployed, "NetworkLocation"), "<missing>");
  EXPECT_EQ(Profile(path, "NetworkLocationHistoryList", "0"), "\\\\nas\\media");
  EXPECT_EQ(Profile(path, "NetworkLocationHistoryList", "1"), "<missing>");
  EXPECT_EQ(Profile(path, "NetworkLocationHistoryList", "2"), "\\\\nas\\old");
  std::string value;
  EXPECT_FALSE(RunValue(kAutoStartValueName, value));

  // A file Windows wrote key by key reads back the same.
  WritePrivateProfileStringA(section.c_str(), "NetworkName", "Written by Windows", path.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
  auto second = profile.Start();
  EXPECT_EQ(second->NetworkDrives.FindDrive(user)->NetworkName, "Written by Windows");
  EXPECT_EQ(second->NetworkDrives.FindDrive(user)->Password, "secret");
  EXPECT_EQ(second->NetworkDrives.FindDrive(user)->TrueCryptVolumesList.at(0)->Password, "vault");
  EXPECT_EQ(second->NetworkLocationHistoryList.size(), 2u);
}

TEST(ConfigurationOnWindows, TheLongestPasswordIsProtectedAndComesBackWhole) {
  RealProfile profile;
  std::string longest;
  for (size_t i = 0; longest.size() < MaxPasswordLength; ++i) {
    const char c = static_cast<char>(i * 131 + 7);
    if (c != '\0' && c != '\r' && c != '\n') longest += c;
  }
  const std::string letter = FreeLetters().substr(0, 1) + ":";
  auto run = profile.Start();
  TNetworkDriveItem* drive = run->NetworkDrives.FindDrive(letter);
  ASSERT_NE(drive, nullptr) << "needs a free drive letter";
  drive->NetworkLocation = "\\\\nas\\media";
  drive->QbyControl = true;
  drive->Password = longest;
  run->SaveConfiguration();

  // Its sealed form runs past the 2047 characters an older version reads.
  const std::string cut = Profile(profile.iniPath, "NetworkDrive_" + letter, "Password");
  EXPECT_EQ(cut.size(), MaxStoredValueLength);
  EXPECT_EQ(UnscramblePassword(cut), "");
  EXPECT_EQ(ReadBytes(profile.iniPath).find(longest.substr(0, 16)), std::string::npos);
  EXPECT_EQ(profile.Start()->NetworkDrives.FindDrive(letter)->Password, longest);
}

TEST(ConfigurationOnWindows, AFileLockedAtStartUpIsNotOverwritten) {
  RealProfile profile;
  const std::string original = "[NetworkDrive_X:]\r\nNetworkLocation=\\\\nas\\media\r\n";
  WriteBytes(profile.iniPath, original);
  HANDLE lock = CreateFileA(profile.iniPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  auto run = profile.Start();
  CloseHandle(lock);

  EXPECT_TRUE(run->IniFileUnreadable);
  try {
    run->SaveConfiguration();
    ADD_FAILURE() << "the save replaced a file it could not read";
  } catch (const EIniFileError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + profile.iniPath);
  }
  EXPECT_EQ(ReadBytes(profile.iniPath), original);
}

TEST(ConfigurationOnWindows, AFolderThatCannotBeWrittenGivesTheErrorAndNoFile) {
  RealProfile profile;
  auto run = profile.Start();
  run->IniFile = std::make_unique<TIniFile>(profile.machine.platform(), profile.iniPath + ".missing\\Quillbay.ini");
  EXPECT_THROW(run->SaveConfiguration(), EIniFileError);
  EXPECT_EQ(GetFileAttributesA((profile.iniPath + ".missing").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ConfigurationOnWindows, AutostartValueInTheRealRunKey) {
  Win32Platform machine;
  const std::string name = "QuillbayTest-" + std::to_string(GetCurrentProcessId());
  const std::string command = "\"C:\\Program Files\\Quillbay\\Quillbay.exe\"";
  std::string value;

  ASSERT_TRUE(SetAutoStart(machine.platform(), name, command, true, RegistryRoot::CurrentUser));
  ASSERT_TRUE(RunValue(name, value));
  EXPECT_EQ(value, command);

  EXPECT_TRUE(SetAutoStart(machine.platform(), name, command, false, RegistryRoot::CurrentUser));
  EXPECT_FALSE(RunValue(name, value));
  EXPECT_TRUE(SetAutoStart(machine.platform(), name, command, false, RegistryRoot::CurrentUser));
  EXPECT_FALSE(SetAutoStart(machine.platform(), "", "", true, RegistryRoot::CurrentUser));
}

TEST(ConfigurationOnWindows, SaveWritesTheQuotedProgramPathForLogon) {
  RealProfile profile;
  auto run = profile.Start();
  run->Prefs.StartAutomaticallyByWindows = true;
  run->SaveConfiguration();

  std::string value;
  EXPECT_TRUE(RunValue(kAutoStartValueName, value));
  EXPECT_EQ(value, "\"" + profile.machine.platform().environment.ExecutablePath() + "\"");
}

}  // namespace
