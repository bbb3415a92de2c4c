#pragma once
// A simulated Windows machine: the test bed of the whole program. It answers every
// platform call with the codes the real Windows calls give, and lets a test set up
// servers, shares, mappings made by others, local devices, open files, faults, delays
// and the answers of message boxes, and move the clock.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DeviceChange.h"
#include "platform/MainThreadCalls.h"
#include "platform/NetworkEvents.h"
#include "platform/Platform.h"

// A share on the simulated network. Credentials: a null or empty user name is the
// logged-on user ("alice"), or the user of this machine's existing connection to the
// server. A share with RequiredUser accepts only that user with RequiredPassword (or
// with a null password when that user is the logged-on one); anything else gives 1326,
// the logged-on user on a share that requires someone else included. An explicit user
// name other than that of an existing connection to the same server gives 1219.
struct SimShare {
  std::string Path;             // "\\server\share" as added
  std::string RequiredUser;     // empty: every user is accepted
  std::string RequiredPassword;
  uint64_t FreeBytes = 40ull << 30;
  uint64_t TotalBytes = 100ull << 30;
  // Off line, every call to the share answers 1231 (the remote network is not reachable);
  // switch it with SimMachine::SetShareOnline, which tells the program as Windows would.
  bool Online = true;
  bool OpenFiles = false;    // a cancel without force of a mapping to it gives 2401
  uint32_t DelayMs = 0;      // every call to the share takes this long, on top of the network delay
};

struct SimNetCall {
  std::string_view Call;     // "AddConnection2", "AddConnection", "CancelConnection2", "GetUniversalName"
  std::string LocalName;     // the letter ("H:") or path asked about
  std::string RemoteName;
  bool UserNameGiven = false;  // false: null was passed
  std::string UserName;
  bool PasswordGiven = false;
  std::string Password;
  uint32_t Flags = 0;
  bool Force = false;
  uint32_t ResourceType = 0;
  bool ProviderGiven = false;
  uint32_t Result = 0;
  int64_t AtMs = 0;  // simulated time when the call was made
};

struct SimProcessStart {
  std::string Verb;
  std::string File;
  bool ParametersGiven = false;  // false: null was passed
  std::string Parameters;
  int ShowCommand = 0;
  int64_t AtMs = 0;  // simulated time of the start
  intptr_t Result = 0;
};

struct SimMessageBox {
  std::string Text;
  std::string Caption;
  MessageBoxKind Kind = MessageBoxKind::Information;
  int Answer = 0;
};

class SimMachine {
 public:
  // A machine with C: as a fixed disk and every other letter free, user "alice" on
  // computer "PC", Windows 6.1, APPDATA "C:\Users\alice\AppData\Roaming", the program at
  // "C:\Program Files\Quillbay\Quillbay.exe", the clock at 2026-12-08 09:00:00.
  SimMachine();
  ~SimMachine();
  SimMachine(const SimMachine&) = delete;
  SimMachine& operator=(const SimMachine&) = delete;

  Platform& platform();

  // --- Drive letters ---
  // A local device on the letter (DRIVE_FIXED, DRIVE_REMOVABLE, DRIVE_CDROM, ...), or
  // DRIVE_NO_ROOT_DIR to free it. A local device answers as a directory.
  void SetLocalDrive(char letter, uint32_t driveType, uint64_t freeBytes = 10ull << 30,
                     uint64_t totalBytes = 100ull << 30);
  // A letter that reports DRIVE_REMOTE without a mapping the network knows (stale entry):
  // not a directory, no space, no universal name; a cancel clears it.
  void SetStaleRemoteDrive(char letter);
  // --- Network ---
  SimShare& AddShare(const std::string& path);
  SimShare* FindShare(const std::string& path);
  // Whole servers ("nas") can be taken off the network and brought back; a server's
  // return is also a network change (below).
  void SetServerReachable(const std::string& server, bool reachable);
  // A share goes off line or comes back; its return fires a network change by itself,
  // as a real network's return does. Throws std::invalid_argument for an unknown share.
  void SetShareOnline(const std::string& path, bool online);
  // A mapping made by someone else (another program, the file manager).
  void MapFromOutside(char letter, const std::string& remote);
  // "" when the letter is not mapped.
  std::string MappingOf(char letter) const;
  // The user the letter's connection was made with ("" when not mapped).
  std::string MappingUserOf(char letter) const;
  // Both end with the connection (a successful cancel, a vanished volume).
  void SetOpenFiles(char letter, bool open);   // a cancel without force gives 2401
  void SetDeviceInUse(char letter, bool inUse); // a cancel without force gives 2404
  // The next `times` calls of `call` (one of SimNetCall::Call, "GetDiskFreeSpaceEx",
  // "GetFileAttributes", "GetDriveType", "ShellExecute") on `letter` (0: any) give `code`
  // without doing anything (still recorded); for GetDiskFreeSpaceEx any non-zero code
  // means failure, for GetFileAttributes any code gives INVALID_FILE_ATTRIBUTES.
  // times -1: always. An unknown call name throws std::invalid_argument.
  void InjectError(const std::string& call, uint32_t code, char letter = 0, int times = 1);
  // Every WNet call takes this long in simulated time, as a blocking call would: the
  // clock moves on and wakes the background threads, whose synchronized calls wait
  // until the main thread next lets events run.
  void SetNetworkDelay(uint32_t milliseconds);
  // The mapping disappears and the removal notification reaches the handler the way the
  // main window receives it.
  void VanishVolume(char letter);
  void SetDeviceChangeHandler(std::function<void(const DeviceChange&)> handler);
  // The events that say the drives may be reachable again reach the handler the way the
  // main window receives them; the background threads then take them in before the call
  // returns. Main thread only, like every call below that fires one.
  void FireNetworkChange();
  void FireResume();
  void FireSessionReturn();  // unlocked, or a remote session connected
  void SetNetworkEventHandler(std::function<void(NetworkEventKind)> handler);
  // Every WNet call with its result, in order. A connect maps the letter to the remote
  // name as given, less trailing backslashes (Windows reports "\\nas\media\" as
  // "\\nas\media").
  std::vector<SimNetCall> NetCalls;

  // --- Processes ---
  // Starts of this file fail with the shell's result (31 or below).
  void RefuseStart(const std::string& file, intptr_t result = 2);
  std::vector<SimProcessStart> Starts;

  // --- Files (paths compared without regard to case) ---
  void WriteFile(const std::string& path, const std::string& bytes);
  bool HasFile(const std::string& path) const;
  std::string FileBytes(const std::string& path) const;
  void RemoveFile(const std::string& path);
  void FailWrites(bool fail);                      // every ReplaceFile fails
  void FailReads(const std::string& path, bool fail);  // ReadFile gives Unreadable
  void ExhaustMemoryReading(const std::string& path, bool exhaust);  // ReadFile throws std::bad_alloc
  int ReplaceCount = 0;

  // --- Registry ---
  bool RegistryValue(RegistryRoot root, const std::string& key, const std::string& name,
                     std::string& value) const;
  void SetRegistryValue(RegistryRoot root, const std::string& key, const std::string& name,
                        const std::string& value);
  void FailRegistry(bool fail);  // CreateKey gives null

  // --- Environment ---
  void SetVariable(const std::string& name, const std::string& value);
  void UnsetVariable(const std::string& name);
  void SetExecutablePath(const std::string& path);
  void SetCurrentDirectory(const std::string& path);
  void SetWindowsVersion(uint32_t major, uint32_t minor);

  // --- User interface ---
  // Answers for the next message boxes in order; without one, OK boxes answer IDOK and
  // Yes/No boxes IDNO.
  void AnswerNext(int answer);
  // What the user does elsewhere while the next message box is open, before answering it.
  void WhileAsking(std::function<void()> user);
  std::vector<SimMessageBox> MessageBoxes;
  bool BusyCursor() const;
  bool HandCursor() const;
  // What the user does while the next modal window is shown, in the order the windows
  // appear (a dialog opened from a dialog takes the next one). Whatever is left open
  // afterwards is closed with Escape.
  void WhenModal(std::function<void()> user);
  int ModalShowings = 0;
  int ModalsLeftOpen = 0;  // Escape did not close them
  // The file the user picks in the next file-open dialog; "" cancels.
  void ChooseFile(const std::string& fileName);
  std::vector<OpenFileRequest> OpenFileRequests;
  int ProcessMessagesCalls = 0;
  // Called at every ProcessMessages, before pending work runs (for nesting tests).
  std::function<void()> OnProcessMessages;

  // --- Logon ---
  // The account whose logon seals and opens protected data ("PC\alice" at first): what
  // one account protected, another cannot read, as with a file copied to another
  // computer or a profile that was reset.
  void SetAccount(const std::string& account);
  void FailDataProtection(bool fail);  // protecting refuses

  // --- Time ---
  int64_t NowMs() const;
  // Moves simulated time forward, firing main-thread timers when due and waking the
  // background threads whose deadlines come, and no others; between steps it serves
  // their synchronized calls and waits until they are idle again. Runs on the test's
  // (main) thread.
  void Advance(int64_t milliseconds);
  // Wakes every background thread waiting on the clock, so that each re-examines what
  // the main thread changed, then serves synchronized calls until every attached thread
  // is idle again: waiting for a future moment or blocked in a synchronized call.
  // Throws std::runtime_error when they do not settle within 10 s of real time.
  void Settle();
  // Background threads attached to the clock now.
  int AttachedThreads() const;
  // Times a background thread waiting on the clock was woken, for whatever reason.
  int64_t BackgroundWakeUps() const;
  // Main-thread timers set and not yet killed.
  int MainThreadTimers() const;

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};
