#pragma once
// The program entry, the same for the real program and for tests: the help library, COM,
// the single-instance guard, the windows in their order, the message loop and the end.
#include <memory>
#include <string>

#include "ui/HtmlHelp.h"
#include "ui/About.h"
#include "ui/AddNetworkDrive.h"
#include "ui/AddRunProgram.h"
#include "ui/AddTrueCryptVolume.h"
#include "ui/Main.h"
#include "ui/Preferences.h"

struct Platform;
class Process;
class HelpLibrary;
class TApplication;

// What the real program (or a test) brings: the real windows and the message loop.
class TWindowSystem {
 public:
  virtual ~TWindowSystem() = default;
  // The main window's frame and its notification-area icon, before the main form's
  // start-up sequence reads the configuration and connects: the icon is there at once.
  virtual void CreateNotificationIcon(TMainForm&) {}
  // The real windows of the forms just created. The main window appears when it is
  // Visible and the application shows it, and its activation runs FormActivate.
  virtual void CreateWindows(TApplication& application) = 0;
  // The message loop: returns once the main window is Terminated and every run in
  // progress has unwound.
  virtual void Run(TApplication& application) = 0;
  // After the main window's shutdown sequence: the real windows and the icon go.
  virtual void DestroyWindows(TApplication& application) = 0;
};

class TApplication {
 public:
  TApplication(Platform& platform, Process& process, HelpLibrary& helpLibrary);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // Loads the help library, initialises COM and takes the single-instance mutex. False
  // when another instance holds it: its note has been shown, nothing is to be created.
  bool Initialize();
  // The main window (its start-up sequence runs now, once the window system has put up
  // the icon), then the dialogs, which its actions then open.
  void CreateForms(TWindowSystem& windows);
  // The main window's shutdown sequence (unless done already), then the mutex, COM and
  // the help library are let go. Runs once.
  void Finalize();

  // The mutex name: the executable's file name, without its folder.
  std::string MutexName() const;

  Platform& platform;
  std::string Title;
  THtmlHelp Help;
  std::unique_ptr<TMainForm> MainForm;
  std::unique_ptr<TAddRunProgramForm> AddRunProgramForm;
  std::unique_ptr<TAddTrueCryptVolumeForm> AddTrueCryptVolumeForm;
  std::unique_ptr<TAddNetworkDriveForm> AddNetworkDriveForm;
  std::unique_ptr<TAboutForm> AboutForm;
  std::unique_ptr<TPreferencesForm> PreferencesForm;

 private:
  Process& process_;
  bool comInitialized_ = false;
  bool finalized_ = false;
};

// The whole program: returns the process exit code.
int RunProgram(Platform& platform, Process& process, HelpLibrary& helpLibrary, TWindowSystem& windows);
