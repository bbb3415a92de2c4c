#pragma once
// The main window on a simulated machine, and the program entry around it, as the tests
// drive them: a fake real window that records what the form asked of it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/SimHelpLibrary.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimProcess.h"
#include "shell/Application.h"
#include "ui/HtmlHelp.h"
#include "ui/Main.h"

// What the real window was asked to do.
struct RecordingSite : TMainFormSite {
  void VisibilityChanged() override { ++VisibilityChanges; }
  void BringToFront() override { ++BroughtToFront; }
  void Terminate() override { ++TerminateRequests; }
  int VisibilityChanges = 0;
  int BroughtToFront = 0;
  int TerminateRequests = 0;
};

// A window system whose message loop moves simulated time until the program ends.
struct SimWindowSystem : TWindowSystem {
  explicit SimWindowSystem(SimMachine& machine) : pc(machine) {}
  void CreateNotificationIcon(TMainForm& form) override { iconBeforeStartUp = !form.TrayIcon.Visible; }
  void CreateWindows(TApplication& application) override;
  void Run(TApplication& application) override;
  void DestroyWindows(TApplication& application) override;

  SimMachine& pc;
  RecordingSite site;
  bool iconBeforeStartUp = false;
  bool created = false;
  bool destroyed = false;
  bool formDestroyedBeforeWindows = false;
  // One turn of the message loop; by default a second of simulated time goes by.
  std::function<void(TApplication&)> turn;
  int turns = 0;
  int maxTurns = 600;
};

// Preferences of a configuration file written before the program starts.
struct TestPrefs {
  bool FirstTimeUsage = false;
  bool MinimizeOnStartup = true;
  bool ConnectNetworkDrivesOnStartup = true;
  bool RemoveAllNetworkDrivesOnExit = false;
  bool DismountVolumesOnExit = true;
  bool DoubleClickIsExploreNetworkDrive = false;
  std::string TrueCryptProgramLocation;
  std::string Language;  // none written: the program's default
};

// The default preferences changed by `change`.
inline TestPrefs With(const std::function<void(TestPrefs&)>& change) {
  TestPrefs prefs;
  change(prefs);
  return prefs;
}

struct MainWindowTest {
  MainWindowTest();
  ~MainWindowTest();

  // Writes Quillbay.ini with these preferences and drives ("H:" -> location).
  void WriteConfiguration(const TestPrefs& prefs,
                          const std::vector<std::pair<std::string, std::string>>& drives);
  std::string ConfigurationText();
  // A form with its start-up sequence run.
  TMainForm& Start();
  // The drive-list row of a drive selected, as a click does.
  void Select(const std::string& drive);
  // The English text, also when no form exists (the program entry's tests).
  std::string T(int id) const { return texts.Translate(id); }
  // Message texts added since the last call, oldest first.
  std::vector<std::string> NewMessages();

  SimMachine pc;
  SimHelpLibrary helpLibrary;
  SimNamedMutexes mutexes;
  THtmlHelp help{pc.platform(), helpLibrary};
  RecordingSite site;
  std::unique_ptr<TMainForm> form;
  TLanguage texts;

 private:
  uint64_t seen_ = 0;  // MessagesAdded when last asked
};
