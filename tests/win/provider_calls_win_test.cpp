// The engine's real WNet calls as the network provider receives them. A provider DLL of
// the tests is registered in the Wine prefix; the connection router hands it what
// WNetAddConnection2A, WNetAddConnectionA and WNetCancelConnection2A were given, and it
// answers with the codes a test chooses. The program under test runs as a separate
// process on a configuration prepared here, because the router reads its providers once,
// when a process starts: this test program itself keeps Wine's own answers.
//
// Wine's WNetGetUniversalNameA answers the local name for every remote drive and fails for
// every other letter, so the location checks before and after a connect (a letter mapped
// elsewhere, a mapping that differs from the configured location) cannot be exercised
// this way; the simulated machine covers them.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "data/Languages.h"
#include "data/PasswordScrambler.h"
#include "platform/win32/Win32Platform.h"
#include "support/ConnectAnswerLines.h"

namespace {

const char* const kProviderName = "QuillbayTestProvider";
const char* const kOrderKey = "System\\CurrentControlSet\\Control\\NetworkProvider\\Order";
const char* const kServiceKey = "System\\CurrentControlSet\\Services\\QuillbayTestProvider";

std::string TestsFolder() {
  char path[MAX_PATH * 2];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  const std::string self(path, length);
  return self.substr(0, self.find_last_of('\\') + 1);
}

bool RunningOnWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Two letters with no device behind them, from the top down.
std::vector<std::string> FreeDrives() {
  std::vector<std::string> drives;
  const DWORD mask = GetLogicalDrives();
  for (char letter = 'W'; letter >= 'H' && drives.size() < 2; --letter)
    if ((mask & (1u << (letter - 'A'))) == 0) drives.push_back(std::string(1, letter) + ":");
  return drives;
}

// The lines of a file the provider or the probe wrote, split at tabs.
std::vector<std::vector<std::string>> TabSeparatedLines(const std::string& path) {
  std::vector<std::vector<std::string>> lines;
  std::ifstream file(path, std::ios::binary);
  std::string line;
  while (std::getline(file, line)) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t')) fields.push_back(field);
    lines.push_back(std::move(fields));
  }
  return lines;
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void SetString(HKEY root, const char* path, const char* name, const std::string& value) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS) << path;
  EXPECT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1)),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

// One call as the provider recorded it.
struct ProviderCall {
  std::string Entry, LocalName, RemoteName, Type, Provider, UserName, Password, Flags, Force;
};

// What the program under test showed: its message lines (oldest first) and drive states.
struct ProgramResult {
  std::vector<std::pair<int, std::string>> Messages;
  std::map<std::string, std::pair<int, std::string>> Drives;  // drive -> state, current location
  bool Finished = false;
};

// A scratch folder for one run: the configuration (as APPDATA), the provider's files and
// the program's output.
class RunFolder {
 public:
  RunFolder() {
    static int counter = 0;
    char temp[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp, length) + "QuillbayProvider-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~RunFolder() {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(File("*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do DeleteFileA(File(found.cFileName).c_str());
      while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(path_.c_str());
  }
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;

  std::string File(const std::string& name) const { return path_ + "\\" + name; }
  const std::string& Path() const { return path_; }

  void Write(const std::string& name, const std::string& content) const {
    std::ofstream(File(name), std::ios::binary) << content;
  }
  void Answer(uint32_t add, uint32_t cancel) const {
    Write("provider-answers.txt", "add=" + std::to_string(add) + "\ncancel=" + std::to_string(cancel) + "\n");
    DeleteFileA(File("provider-calls.txt").c_str());
  }

  std::vector<ProviderCall> Calls() const {
    std::vector<ProviderCall> calls;
    for (std::vector<std::string> fields : TabSeparatedLines(File("provider-calls.txt"))) {
      fields.resize(9);
      calls.push_back({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7], fields[8]});
    }
    return calls;
  }

 private:
  std::string path_;
};

// The child's environment: ours, with its own APPDATA and the provider's folder.
std::string ChildEnvironment(const RunFolder& folder) {
  std::string environment;
  const std::map<std::string, std::string> overrides = {{"APPDATA", folder.Path()},
                                                        {"QUILLBAY_PROVIDER_FOLDER", folder.Path()},
                                                        {"QUILLBAY_PROBE_OUTPUT", folder.File("out.txt")}};
  char* block = GetEnvironmentStringsA();
  for (const char* entry = block; *entry; entry += std::strlen(entry) + 1) {
    const std::string text = entry;
    const std::string name = text.substr(0, text.find('='));
    if (!name.empty() && overrides.count(name)) continue;
    environment += text + '\0';
  }
  FreeEnvironmentStringsA(block);
  for (const auto& [name, value] : overrides) environment += name + "=" + value + '\0';
  environment += '\0';
  return environment;
}

// Starts a program of the build; its standard output goes to the named file when given.
HANDLE Start(const std::string& program, const std::string& arguments, const RunFolder& folder,
             const std::string& outputFile = "") {
  std::string commandLine = "\"" + program + "\" " + arguments;
  std::string environment = ChildEnvironment(folder);
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE output = outputFile.empty() ? INVALID_HANDLE_VALUE
                                     : CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (output != INVALID_HANDLE_VALUE) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  }
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, output != INVALID_HANDLE_VALUE,
                                      0, environment.data(), folder.Path().c_str(), &startup, &process);
  if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
  if (!started) {
    ADD_FAILURE() << "cannot start " << program << " (error " << GetLastError() << ")";
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

// Waits for a started program, ending it when it overruns; true when it ended by itself.
bool Finish(HANDLE process, DWORD milliseconds) {
  if (!process) return false;
  const bool ended = WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
  if (!ended) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
  }
  CloseHandle(process);
  return ended;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The program under test: the engine probe, which runs the engine the way the main window
// does, given the commands of the main window's actions.
ProgramResult RunProgram(const RunFolder& folder, const std::string& commands) {
  ProgramResult result;
  DeleteFileA(folder.File("out.txt").c_str());
  const std::string program = TestsFolder() + "EngineProbe.exe";
  HANDLE process = Start(program, commands, folder);
  if (!process) {
    return result;
  }
  if (!Finish(process, 60000)) ADD_FAILURE() << "the program did not finish within 60 s: " << commands;

  for (const std::vector<std::string>& fields : TabSeparatedLines(folder.File("out.txt"))) {
    if (fields.size() >= 3 && fields[0] == "message") result.Messages.emplace_back(std::stoi(fields[1]), fields[2]);
    if (fields.size() >= 3 && fields[0] == "drive")
      result.Drives[fields[1]] = {std::stoi(fields[2]), fields.size() > 3 ? fields[3] : ""};
    result.Finished = true;
  }
  return result;
}

std::string Preferences(bool alternative, bool forced) {
  // No autostart: a save must not leave a Run value pointing at a test program.
  return std::string("[Preferences]\r\nFirstTimeUsage=0\r\nStartAutomaticallyByWindows=0\r\n") +
         "UseAlternativeConnectionMethod=" + (alternative ? "1" : "0") + "\r\n" +
         "UseForcedDisconnect=" + (forced ? "1" : "0") + "\r\n";
}

std::string DriveSection(const std::string& drive, const std::string& location, const std::string& userName,
                         const std::string& password) {
  return "[NetworkDrive_" + drive + "]\r\nNetworkLocation=" + location + "\r\nUsername=" + userName +
         "\r\nPassword=" + ScramblePassword(password) + "\r\n";
}

std::string Expanded(const std::string& text) {
  char buffer[2048];
  const DWORD length = ExpandEnvironmentStringsA(text.c_str(), buffer, sizeof buffer);
  return length > 0 && length <= sizeof buffer ? std::string(buffer) : text;
}

class RealNetworkCalls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!RunningOnWine()) return;  // never touch the provider order of a real machine
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kServiceKey);
    SetString(HKEY_LOCAL_MACHINE, kOrderKey, "ProviderOrder", kProviderName);
    const std::string serviceProvider = std::string(kServiceKey) + "\\NetworkProvider";
    SetString(HKEY_LOCAL_MACHINE, serviceProvider.c_str(), "ProviderPath", TestsFolder() + "QuillbayTestProvider.dll");
    SetString(HKEY_LOCAL_MACHINE, serviceProvider.c_str(), "Name", "Quillbay Test Network");
  }
  static void TearDownTestSuite() {
    if (!RunningOnWine()) return;
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kServiceKey);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kOrderKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, "ProviderOrder");
      RegCloseKey(key);
    }
  }
  void SetUp() override {
    if (!RunningOnWine()) GTEST_SKIP() << "registers a network provider: only in a Wine prefix of the tests";
    drives_ = FreeDrives();
    ASSERT_EQ(drives_.size(), 2u) << "two free drive letters needed";
    language_.Open(machine_.platform(), "English");
  }
  void TearDown() override {
    for (const std::string& drive : drives_) RegDeleteTreeA(HKEY_CURRENT_USER, ("Network\\" + drive.substr(0, 1)).c_str());
  }

  std::string T(int id) const { return language_.Translate(id); }
  bool Remembered(const std::string& drive) const {
    return KeyExists(HKEY_CURRENT_USER, "Network\\" + drive.substr(0, 1));
  }

  Win32Platform machine_;
  TLanguage language_;
  std::vector<std::string> drives_;
  RunFolder folder_;
};

TEST_F(RealNetworkCalls, ConnectHandsTheProviderLetterExpandedLocationAndCredentialsAsConfigured) {
  const std::string& withUser = drives_[0];
  const std::string& ownAccount = drives_[1];
  const std::string password = "P@ss \"quoted\" word";
  folder_.Write("Quillbay.ini", Preferences(false, false) +
                                    DriveSection(withUser, R"(\\fileserver\projects)", R"(SERVER\anna)", password) +
                                    DriveSection(ownAccount, R"(\\fileserver\home\%USERNAME%)", "", "ignored"));
  folder_.Answer(0, 0);

  const ProgramResult result = RunProgram(folder_, "connect-all");
  ASSERT_TRUE(result.Finished);

  const std::vector<ProviderCall> calls = folder_.Calls();
  ASSERT_EQ(calls.size(), 2u);
  // Drives go in letter order; FreeDrives hands them out from the top down.
  const ProviderCall& own = calls[0];
  const ProviderCall& other = calls[1];
  EXPECT_EQ(other.Entry, "NPAddConnection3");
  EXPECT_EQ(other.LocalName, withUser);
  EXPECT_EQ(other.RemoteName, R"(\\fileserver\projects)");
  EXPECT_EQ(other.Type, "0");           // RESOURCETYPE_ANY
  EXPECT_EQ(other.Provider, "<null>");  // the system chooses
  EXPECT_EQ(other.UserName, R"(SERVER\anna)");
  EXPECT_EQ(other.Password, password);
  EXPECT_EQ(other.Flags, "0");  // not remembered in the user profile
  EXPECT_EQ(own.LocalName, ownAccount);
  EXPECT_EQ(own.RemoteName, Expanded(R"(\\fileserver\home\%USERNAME%)"));
  EXPECT_EQ(own.RemoteName.find('%'), std::string::npos);
  EXPECT_EQ(own.UserName, "<null>");  // the logged-on user's credentials...
  EXPECT_EQ(own.Password, "<null>");  // ...and default password, although one is configured

  ASSERT_EQ(result.Messages.size(), 3u);
  EXPECT_EQ(result.Messages[0].second, T(10226));
  EXPECT_EQ(result.Messages[1], std::make_pair(0, T(10300) + ownAccount + "'."));
  EXPECT_EQ(result.Messages[2], std::make_pair(0, T(10300) + withUser + "'."));
  EXPECT_EQ(result.Drives.at(withUser).first, 0);  // dsConnected
  EXPECT_EQ(result.Drives.at(ownAccount).first, 0);
  EXPECT_FALSE(Remembered(withUser));
  EXPECT_FALSE(Remembered(ownAccount));
}

TEST_F(RealNetworkCalls, AlternativeMethodHandsOnlyThePasswordAndAnEmptyUserNameStillMeansNone) {
  const std::string& withUser = drives_[0];
  const std::string& ownAccount = drives_[1];
  folder_.Write("Quillbay.ini", Preferences(true, false) + DriveSection(withUser, R"(\\nas\media)", "anna", "") +
                                    DriveSection(ownAccount, R"(\\nas\backup)", "", "secret"));
  folder_.Answer(0, 0);

  const ProgramResult result = RunProgram(folder_, "connect-selected " + withUser + " connect-selected " + ownAccount);
  ASSERT_TRUE(result.Finished);

  const std::vector<ProviderCall> calls = folder_.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].LocalName, withUser);
  EXPECT_EQ(calls[0].RemoteName, R"(\\nas\media)");
  EXPECT_EQ(calls[0].UserName, "<null>");  // WNetAddConnectionA takes no user name
  EXPECT_EQ(calls[0].Password, "");        // an empty password is still a password
  EXPECT_EQ(calls[0].Flags, "0");
  EXPECT_EQ(calls[1].LocalName, ownAccount);
  EXPECT_EQ(calls[1].Password, "<null>");
  ASSERT_EQ(result.Messages.size(), 4u);
  EXPECT_EQ(result.Messages[0].second, T(10225) + withUser + "' ...");
  EXPECT_EQ(result.Messages[1].second, T(10300) + withUser + "'.");
  EXPECT_EQ(result.Messages[3].second, T(10300) + ownAccount + "'.");
}

TEST_F(RealNetworkCalls, EveryConnectAnswerBecomesItsMessageLine) {
  const std::string& drive = drives_[0];
  folder_.Write("Quillbay.ini", Preferences(false, false) + DriveSection(drive, R"(\\server\share)", "", ""));
  for (const auto& [code, suffix] : ConnectAnswerLines()) {
    SCOPED_TRACE("answer " + std::to_string(code));
    folder_.Answer(code, 0);
    const ProgramResult result = RunProgram(folder_, "connect-selected " + drive);
    ASSERT_TRUE(result.Finished);
    ASSERT_EQ(folder_.Calls().size(), 1u);
    ASSERT_EQ(result.Messages.size(), 2u);
    EXPECT_EQ(result.Messages[1], std::make_pair(2, T(10302) + drive + suffix));
    EXPECT_EQ(result.Drives.at(drive).first, 3);  // dsError
    EXPECT_EQ(result.Drives.at(drive).second, T(10035));
  }
}

TEST_F(RealNetworkCalls, DisconnectForcesAsThePreferenceSaysAndForgetsTheRememberedConnection) {
  const std::string& drive = drives_[0];
  const std::string ini = DriveSection(drive, R"(\\server\share)", "", "");

  // Without forced disconnect, open files keep the drive: a warning, the drive untouched.
  folder_.Write("Quillbay.ini", Preferences(false, false) + ini);
  folder_.Answer(0, 2401);
  SetString(HKEY_CURRENT_USER, ("Network\\" + drive.substr(0, 1)).c_str(), "RemotePath", R"(\\server\share)");
  ProgramResult result = RunProgram(folder_, "disconnect-selected " + drive);
  ASSERT_TRUE(result.Finished);
  std::vector<ProviderCall> calls = folder_.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].Entry, "NPCancelConnection");
  EXPECT_EQ(calls[0].LocalName, drive);
  EXPECT_EQ(calls[0].Force, "0");
  ASSERT_EQ(result.Messages.size(), 2u);
  EXPECT_EQ(result.Messages[0].second, T(10227) + drive + "' ...");
  EXPECT_EQ(result.Messages[1],
            std::make_pair(1, T(10303) + drive + "' (\"This network connection has files open or requests pending\")."));
  EXPECT_EQ(result.Drives.at(drive).first, 2);  // still dsUnknown, as loaded

  // With forced disconnect the flag reaches the provider, and CONNECT_UPDATE_PROFILE makes
  // Windows forget the remembered connection of the letter.
  folder_.Write("Quillbay.ini", Preferences(false, true) + ini);
  folder_.Answer(0, 0);
  ASSERT_TRUE(Remembered(drive));
  result = RunProgram(folder_, "disconnect-all");
  calls = folder_.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].Force, "1");
  EXPECT_EQ(result.Messages.back(), std::make_pair(0, T(10301) + drive + "'."));
  EXPECT_EQ(result.Drives.at(drive), std::make_pair(1, T(10034)));  // dsDisconnected
  EXPECT_FALSE(Remembered(drive));

  // The control: the same cancel without the flag leaves the remembered connection.
  SetString(HKEY_CURRENT_USER, ("Network\\" + drive.substr(0, 1)).c_str(), "RemotePath", R"(\\server\share)");
  folder_.Answer(0, 0);
  RunProgram(folder_, "wnet-cancel2 " + drive + " 0 1");
  EXPECT_EQ(folder_.Calls().size(), 1u);
  EXPECT_TRUE(Remembered(drive));
}

TEST_F(RealNetworkCalls, EveryDisconnectAnswerBecomesItsLineAndState) {
  const std::string& drive = drives_[0];
  folder_.Write("Quillbay.ini", Preferences(false, false) + DriveSection(drive, R"(\\server\share)", "", ""));
  struct Case {
    uint32_t code;
    int image;  // -1: no line
    std::string suffix;
    int state;
  };
  const std::vector<Case> cases = {
      {2250, -1, "", 1},  // not connected: simply disconnected, no line
      {2404, 1, "' (\"The device is in use by an active process and cannot be disconnected\").", 2},
      {31, 2, "' (Error nr 31).", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("answer " + std::to_string(c.code));
    folder_.Answer(0, c.code);
    const ProgramResult result = RunProgram(folder_, "disconnect-selected " + drive);
    ASSERT_TRUE(result.Finished);
    ASSERT_EQ(folder_.Calls().size(), 1u);
    if (c.image < 0) {
      EXPECT_EQ(result.Messages.size(), 1u);
    } else {
      ASSERT_EQ(result.Messages.size(), 2u);
      EXPECT_EQ(result.Messages[1], std::make_pair(c.image, T(10303) + drive + c.suffix));
    }
    EXPECT_EQ(result.Drives.at(drive).first, c.state);
  }
}

TEST_F(RealNetworkCalls, RemoveAlwaysForcesAndKeepsADriveWhoseDisconnectFails) {
  const std::string& drive = drives_[0];
  folder_.Write("Quillbay.ini", Preferences(false, false) + DriveSection(drive, R"(\\server\share)", "", ""));

  folder_.Answer(0, 31);
  ProgramResult result = RunProgram(folder_, "remove " + drive);
  ASSERT_EQ(folder_.Calls().size(), 1u);
  EXPECT_EQ(folder_.Calls()[0].Force, "1");
  EXPECT_EQ(result.Drives.count(drive), 1u) << "a failed disconnect must not remove the drive";

  folder_.Answer(0, 0);
  result = RunProgram(folder_, "remove " + drive);
  ASSERT_TRUE(result.Finished);
  EXPECT_EQ(folder_.Calls()[0].Force, "1");
  EXPECT_EQ(result.Drives.count(drive), 0u);
  std::ifstream saved(folder_.File("Quillbay.ini"));
  const std::string content((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content.find("NetworkDrive_" + drive), std::string::npos) << content;
}

// The real program, started on a prepared configuration and read from outside through its
// window: its start-up connect reaches the provider as the engine means it, and the
// provider's answer is the line in its message list.
TEST_F(RealNetworkCalls, QuillbayExeConnectsAtStartUpAndShowsTheAnswerInItsWindow) {
  const std::string quillbay = TestsFolder() + "..\\Quillbay.exe";
  const std::string probe = TestsFolder() + "QuillbayProbe.exe";
  if (GetFileAttributesA(quillbay.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "Quillbay.exe not built";
  const std::string& withUser = drives_[0];
  const std::string& ownAccount = drives_[1];
  folder_.Write("Quillbay.ini", std::string("[Preferences]\r\nFirstTimeUsage=0\r\nMinimizeOnStartup=0\r\n") +
                                    "ConnectNetworkDrivesOnStartup=1\r\nStartAutomaticallyByWindows=0\r\n" +
                                    "DismountVolumesOnExit=0\r\nDisableBalloonMessages=1\r\n" +
                                    DriveSection(withUser, R"(\\fileserver\projects)", "anna", "secret") +
                                    DriveSection(ownAccount, R"(\\fileserver\%USERNAME%)", "", "unused"));
  folder_.Answer(1326, 0);

  HANDLE program = Start(quillbay, "", folder_);
  ASSERT_NE(program, nullptr);
  const std::string messagesFile = folder_.File("messages.txt");
  EXPECT_TRUE(Finish(Start(probe, "wait 60", folder_, folder_.File("wait.txt")), 70000)) << "no main window";
  // The start-up connect runs after the window appears; give it time to write its lines.
  std::string messages;
  for (int attempt = 0; attempt < 20 && messages.find(T(10302) + withUser) == std::string::npos; ++attempt) {
    Sleep(500);
    Finish(Start(probe, "messages", folder_, messagesFile), 30000);
    messages = ReadFile(messagesFile);
  }
  Finish(Start(probe, "action AMFileExit", folder_, folder_.File("exit.txt")), 30000);
  if (!Finish(program, 30000)) ADD_FAILURE() << "Quillbay.exe did not end on Exit";

  const std::vector<ProviderCall> calls = folder_.Calls();
  ASSERT_EQ(calls.size(), 2u) << messages;
  EXPECT_EQ(calls[0].LocalName, ownAccount);
  EXPECT_EQ(calls[0].RemoteName, Expanded(R"(\\fileserver\%USERNAME%)"));
  EXPECT_EQ(calls[0].UserName, "<null>");
  EXPECT_EQ(calls[0].Password, "<null>");
  EXPECT_EQ(calls[1].LocalName, withUser);
  EXPECT_EQ(calls[1].UserName, "anna");
  EXPECT_EQ(calls[1].Password, "secret");
  EXPECT_EQ(calls[1].Flags, "0");
  const std::string logonFailure = "(\"Logon failure: unknown user name or bad password\").";
  EXPECT_NE(messages.find("2 | " + T(10302) + withUser + "' " + logonFailure), std::string::npos) << messages;
  EXPECT_NE(messages.find("2 | " + T(10302) + ownAccount + "' " + logonFailure), std::string::npos) << messages;
}

}  // namespace
