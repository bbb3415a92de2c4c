// The program from start to end on the simulated machine: first and later runs, the
// start-up connect, Exit, the end of the Windows session and a second instance.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "data/Configuration.h"
#include "platform/WinTypes.h"
#include "support/MainWindowTest.h"
#include "support/TestApp.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const std::string kTrueCrypt = R"(C:\Program Files\TrueCrypt\TrueCrypt.exe)";

const std::string kWelcome =
    "Welcome to Quillbay.\r\n\r\n"
    "By default Quillbay will start minimized in the system tray and during Windows logon it ensures that all "
    "network drives under control of Quillbay get connected and activated, where after they are kept alive to "
    "prevent deactivation.\r\n"
    "You can change these settings in 'Tools | Preferences'.\r\n\r\n"
    "Please note that Quillbay maintains its own list of network drives independently of Windows Explorer, "
    "therefore the list is initially empty. Use 'Tools | Import network drives...' to import any existing "
    "network drives.";

// The shell of the machine, noting what else was true at each start.
struct ObservingShell : Shell {
  ObservingShell(Shell& real, std::function<void()> observe) : real_(real), observe_(std::move(observe)) {}
  intptr_t ShellExecute(const char* verb, const char* file, const char* parameters, int show) override {
    observe_();
    return real_.ShellExecute(verb, file, parameters, show);
  }
  Shell& real_;
  std::function<void()> observe_;
};

Platform WithShell(const Platform& b, Shell& shell) {
  return Platform{b.network, b.drives, b.files, b.registry, shell, b.environment, b.clock, b.ui, b.protection};
}

struct StartupShutdown : ::testing::Test, MainWindowTest {
  int WelcomeBoxes() const {
    return static_cast<int>(std::count_if(pc.MessageBoxes.begin(), pc.MessageBoxes.end(),
                                          [](const SimMessageBox& box) { return box.Text == kWelcome; }));
  }
};

}  // namespace

TEST_F(StartupShutdown, FirstRunShowsTheWindowWelcomesOnceImportsAndConnects) {
  pc.AddShare(kMedia);
  pc.MapFromOutside('K', kMedia);  // mapped before the program came
  SimProcess process(mutexes);
  SimWindowSystem windows(pc);
  pc.AnswerNext(win::IDYES);  // import the mapping found
  windows.turn = [&](TApplication& app) {
    TMainForm& f = *app.MainForm;
    EXPECT_TRUE(f.Visible);  // shown although MinimizeOnStartup defaults to true
    EXPECT_TRUE(f.ShowMainForm);
    EXPECT_EQ(f.AMFileMinimizeRestore.Caption, f.T(10101));
    EXPECT_EQ(WelcomeBoxes(), 1);
    f.FormActivate();  // activated again later: no second welcome
    EXPECT_EQ(WelcomeBoxes(), 1);
    ASSERT_FALSE(pc.MessageBoxes.empty());
    EXPECT_THAT(pc.MessageBoxes[0].Text, HasSubstr(f.T(10750)));  // the import was offered first
    const TNetworkDriveItem* k = f.Configuration.NetworkDrives.FindDrive("K:");
    ASSERT_NE(k, nullptr);
    EXPECT_TRUE(k->QbyControl);
    EXPECT_EQ(k->State, dsConnected);
    EXPECT_THAT(f.Language.Translate(10226), Not(HasSubstr("Translation error")));
    std::vector<std::string> lines;
    for (const TMessageRow& row : f.Surfaces.Messages) lines.push_back(row.Text);
    EXPECT_THAT(lines, Contains(f.T(10226)));
    EXPECT_TRUE(helpLibrary.LoadAttempts.empty()) << "loaded at the first F1, not at start";
    f.AMFileExit.Execute();
  };

  EXPECT_EQ(RunProgram(pc.platform(), process, helpLibrary, windows), 0);

  EXPECT_TRUE(windows.iconBeforeStartUp) << "the icon is up while the start-up sequence runs";
  EXPECT_TRUE(windows.created);
  EXPECT_TRUE(windows.destroyed);
  EXPECT_TRUE(windows.formDestroyedBeforeWindows);
  EXPECT_EQ(WelcomeBoxes(), 1);
  const std::string saved = ConfigurationText();
  EXPECT_THAT(saved, HasSubstr("FirstTimeUsage=0"));
  EXPECT_THAT(saved, HasSubstr("[NetworkDrive_K:]"));
  EXPECT_EQ(pc.MappingOf('K'), kMedia);
  EXPECT_TRUE(mutexes.Held.empty());
  EXPECT_EQ(process.ComInitialized, 0);
  EXPECT_EQ(helpLibrary.LoadedCount, 0);
}

TEST_F(StartupShutdown, FirstRunWithNothingToImportSaysNoDriveIsUnderControl) {
  TMainForm& f = Start();
  EXPECT_TRUE(f.Visible);
  EXPECT_TRUE(pc.MessageBoxes.empty());  // the silent import found nothing and said nothing
  EXPECT_THAT(NewMessages(), ElementsAre(T(10304)));
  f.FormActivate();
  EXPECT_EQ(WelcomeBoxes(), 1);
  EXPECT_EQ(pc.MessageBoxes.back().Kind, MessageBoxKind::Information);
  EXPECT_EQ(pc.MessageBoxes.back().Caption, "Quillbay");
}

TEST_F(StartupShutdown, SecondRunStartsHiddenWithoutWelcome) {
  pc.AddShare(kMedia);
  WriteConfiguration({}, {});
  {
    SimProcess process(mutexes);
    SimWindowSystem windows(pc);
    windows.turn = [](TApplication& app) { app.MainForm->AMFileExit.Execute(); };
    RunProgram(pc.platform(), process, helpLibrary, windows);
  }
  pc.MessageBoxes.clear();
  SimProcess process(mutexes);
  SimWindowSystem windows(pc);
  windows.turn = [&](TApplication& app) {
    TMainForm& f = *app.MainForm;
    EXPECT_FALSE(f.Visible);
    EXPECT_FALSE(f.ShowMainForm);  // not even flashed when the loop starts
    EXPECT_TRUE(f.TrayIcon.Visible);
    EXPECT_EQ(f.AMFileMinimizeRestore.Caption, f.T(10007));
    EXPECT_EQ(f.Surfaces.TrayPicture, kImageConnected);  // the survey ran: nothing under control
    f.PopupActionMenuTrayIcon.Items[4].Click();  // Exit from the icon's menu
  };
  EXPECT_EQ(RunProgram(pc.platform(), process, helpLibrary, windows), 0);
  EXPECT_EQ(WelcomeBoxes(), 0);
  EXPECT_TRUE(pc.MessageBoxes.empty());
}

TEST_F(StartupShutdown, WithoutConnectingAtStartUpNothingIsConnectedImportedOrAnnounced) {
  pc.AddShare(kMedia);
  pc.MapFromOutside('K', kOffice);
  WriteConfiguration(With([](TestPrefs& p) { p.ConnectNetworkDrivesOnStartup = false; }), {{"H:", kMedia}});
  TMainForm& f = Start();
  EXPECT_EQ(CountCalls(pc, "AddConnection2", ""), 0);
  EXPECT_TRUE(pc.MessageBoxes.empty());
  EXPECT_TRUE(NewMessages().empty());
  EXPECT_EQ(f.Engine.NrOfDrivesUnderQBYControl, 1);
  EXPECT_EQ(f.Configuration.NetworkDrives.FindDrive("H:")->State, dsUnknown);
  EXPECT_FALSE(f.Configuration.NetworkDrives.FindDrive("K:")->QbyControl);
  EXPECT_FALSE(f.HeartBeatThread->InShortInterval());
}

TEST_F(StartupShutdown, AFailingStartUpConnectRetriesEveryTenSeconds) {
  WriteConfiguration({}, {{"H:", kMedia}});  // the share is not there yet
  TMainForm& f = Start();
  EXPECT_THAT(NewMessages(), ElementsAre(T(10226), ::testing::StartsWith(T(10302) + "H:'"), T(10312)));
  EXPECT_TRUE(f.HeartBeatThread->InShortInterval());
  EXPECT_EQ(f.HeartBeatThread->DueMs(), pc.NowMs() + 10000);

  pc.AddShare(kMedia);
  pc.Advance(10000);
  EXPECT_THAT(NewMessages(), ElementsAre(T(10226), T(10300) + "H:'.", T(10308), T(10313)));
  EXPECT_EQ(pc.MappingOf('H'), kMedia);
  EXPECT_FALSE(f.HeartBeatThread->InShortInterval());
}

TEST_F(StartupShutdown, EndOfSessionRemovesDrivesOnceKeepsVolumesAndSaves) {
  pc.AddShare(kMedia);
  pc.WriteFile(kTrueCrypt, "exe");
  WriteConfiguration(With([](TestPrefs& p) { p.RemoveAllNetworkDrivesOnExit = true; p.DismountVolumesOnExit = true; p.TrueCryptProgramLocation = kTrueCrypt; }),
                     {{"H:", kMedia}});
  TMainForm& f = Start();
  ASSERT_EQ(pc.MappingOf('H'), kMedia);
  pc.Starts.clear();

  EXPECT_TRUE(f.WMQueryEndSession());
  EXPECT_EQ(pc.MappingOf('H'), "");
  EXPECT_FALSE(f.Configuration.NetworkDrives.FindDrive("H:")->QbyControl);
  const int cancels = CountCalls(pc, "CancelConnection2", "H:");
  const int saves = pc.ReplaceCount;

  f.WMEndSession(true);  // everything done before this returns

  EXPECT_TRUE(f.Destroyed());
  EXPECT_TRUE(f.Terminated());
  EXPECT_EQ(f.HeartBeatThread, nullptr);
  EXPECT_EQ(CountCalls(pc, "CancelConnection2", "H:"), cancels);  // not removed twice
  EXPECT_TRUE(pc.Starts.empty());                                  // volumes not dismounted
  EXPECT_EQ(pc.ReplaceCount, saves + 1);
  EXPECT_THAT(ConfigurationText(), HasSubstr("FirstTimeUsage=0"));
  EXPECT_THAT(ConfigurationText(), Not(HasSubstr("[NetworkDrive_H:]")));
  EXPECT_EQ(site.TerminateRequests, 1);

  // The program's own end afterwards changes nothing more.
  f.FormDestroy();
  EXPECT_EQ(pc.ReplaceCount, saves + 1);
}

TEST_F(StartupShutdown, AFailingSaveDuringTheEndOfASessionShowsNoBox) {
  pc.AddShare(kMedia);
  WriteConfiguration(With([](TestPrefs& p) { p.RemoveAllNetworkDrivesOnExit = true; }), {{"H:", kMedia}});
  TMainForm& f = Start();
  pc.FailWrites(true);
  const size_t boxes = pc.MessageBoxes.size();
  EXPECT_TRUE(f.WMQueryEndSession());  // removes the drives and saves
  f.WMEndSession(true);
  EXPECT_EQ(pc.MessageBoxes.size(), boxes) << "nobody is there to answer a box";
  EXPECT_EQ(pc.MappingOf('H'), "");
}

// The session ends while the start-up sequence asks whether to import: the program ends
// there, in order. Saved once and whole, the question's import not made, nothing connected
// or started afterwards, the Run value untouched, and no window made.
TEST_F(StartupShutdown, ASessionEndingDuringTheStartUpQuestionEndsTheProgramInOrder) {
  pc.AddShare(kMedia);
  pc.MapFromOutside('K', kMedia);
  WriteConfiguration(With([](TestPrefs& p) { p.RemoveAllNetworkDrivesOnExit = true; }), {});
  struct FormNoting : SimWindowSystem {
    using SimWindowSystem::SimWindowSystem;
    void CreateNotificationIcon(TMainForm& form) override {
      Form = &form;
      SimWindowSystem::CreateNotificationIcon(form);
    }
    TMainForm* Form = nullptr;
  } windows(pc);
  SimProcess process(mutexes);
  int saves = -1;
  pc.WhileAsking([&] {
    ASSERT_NE(windows.Form, nullptr);
    EXPECT_TRUE(windows.Form->WMQueryEndSession());  // nothing to remove: K: is not the program's
    saves = pc.ReplaceCount;
    windows.Form->WMEndSession(true);  // Windows may end the process once this returns
    EXPECT_EQ(pc.ReplaceCount, saves + 1) << "saved before the end of the session is answered";
  });
  pc.AnswerNext(win::IDYES);  // the question is answered only after the session ended

  EXPECT_EQ(RunProgram(pc.platform(), process, helpLibrary, windows), 0);

  ASSERT_FALSE(pc.MessageBoxes.empty());
  EXPECT_THAT(pc.MessageBoxes[0].Text, HasSubstr(T(10750)));
  EXPECT_FALSE(windows.created) << "nothing more starts once the session has ended";
  EXPECT_TRUE(windows.destroyed);
  EXPECT_EQ(pc.ReplaceCount, saves + 1) << "not saved again afterwards";
  EXPECT_THAT(ConfigurationText(), HasSubstr("FirstTimeUsage=0"));
  EXPECT_THAT(ConfigurationText(), Not(HasSubstr("[NetworkDrive_K:]")));
  EXPECT_EQ(pc.MappingOf('K'), kMedia) << "the mapping found is left as it was";
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "K:") + CountCalls(pc, "CancelConnection2", "K:"), 0)
      << "connected after the session ended";
  std::string run;
  EXPECT_FALSE(pc.RegistryValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutoStartValueName, run));
  EXPECT_TRUE(mutexes.Held.empty());
  EXPECT_EQ(process.ComInitialized, 0);
}

// Exit, from the icon's menu while the start-up sequence asks its question: the sequence
// stops there and the program ends as after any Exit, without its window ever made.
TEST_F(StartupShutdown, ExitDuringTheStartUpQuestionEndsTheProgramInOrder) {
  pc.AddShare(kMedia);
  pc.MapFromOutside('K', kMedia);
  WriteConfiguration(TestPrefs{}, {});
  struct FormNoting : SimWindowSystem {
    using SimWindowSystem::SimWindowSystem;
    void CreateNotificationIcon(TMainForm& form) override { Form = &form; }
    TMainForm* Form = nullptr;
  } windows(pc);
  SimProcess process(mutexes);
  pc.WhileAsking([&] { windows.Form->AMFileExit.Execute(); });
  pc.AnswerNext(win::IDYES);
  const int saves = pc.ReplaceCount;

  EXPECT_EQ(RunProgram(pc.platform(), process, helpLibrary, windows), 0);

  EXPECT_FALSE(windows.created);
  EXPECT_TRUE(windows.destroyed);
  EXPECT_EQ(pc.ReplaceCount, saves + 1) << "saved once, at the end";
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "K:"), 0) << "connected after Exit";
  EXPECT_TRUE(mutexes.Held.empty());
}

TEST_F(StartupShutdown, ACancelledSessionEndLeavesANormalExitLater) {
  pc.AddShare(kMedia);
  pc.WriteFile(kTrueCrypt, "exe");
  WriteConfiguration(With([](TestPrefs& p) { p.DismountVolumesOnExit = true; p.TrueCryptProgramLocation = kTrueCrypt; }), {{"H:", kMedia}});
  TMainForm& f = Start();
  f.WMQueryEndSession();
  f.WMEndSession(false);  // another program said no
  EXPECT_FALSE(f.Destroyed());
  pc.Starts.clear();
  f.FormDestroy();
  ASSERT_EQ(pc.Starts.size(), 1u);
  EXPECT_EQ(pc.Starts[0].Parameters, "/d /q /f /s");
}

TEST_F(StartupShutdown, NormalExitDismountsAfterRemovingAndBeforeSaving) {
  pc.AddShare(kMedia);
  pc.WriteFile(kTrueCrypt, "exe");
  WriteConfiguration(With([](TestPrefs& p) { p.RemoveAllNetworkDrivesOnExit = true; p.DismountVolumesOnExit = true; p.TrueCryptProgramLocation = kTrueCrypt; }),
                     {{"H:", kMedia}});
  std::string mappingAtDismount = "(not started)";
  int savesAtDismount = -1;
  bool threadGoneAtDismount = false;
  ObservingShell shell(pc.platform().shell, [&] {
    mappingAtDismount = pc.MappingOf('H');
    savesAtDismount = pc.ReplaceCount;
    threadGoneAtDismount = form && !form->HeartBeatThread;
  });
  Platform observed = WithShell(pc.platform(), shell);
  form = std::make_unique<TMainForm>(observed, help);
  form->FormCreate();
  ASSERT_EQ(pc.MappingOf('H'), kMedia);

  form->ActionFileExitExecute();
  EXPECT_TRUE(form->Terminated());
  EXPECT_FALSE(form->Destroyed());  // the loop ends first
  form->FormDestroy();

  ASSERT_EQ(pc.Starts.size(), 1u);
  EXPECT_EQ(pc.Starts[0].File, kTrueCrypt);
  EXPECT_EQ(pc.Starts[0].Parameters, "/d /q /f /s");
  EXPECT_TRUE(threadGoneAtDismount);
  EXPECT_EQ(mappingAtDismount, "");               // removed first (its own save included)
  EXPECT_EQ(pc.ReplaceCount, savesAtDismount + 1);  // then the final save
  EXPECT_THAT(ConfigurationText(), Not(HasSubstr("[NetworkDrive_H:]")));
}

TEST_F(StartupShutdown, ExitWithTheHelpOpenClosesItThenFreesItsLibraryThenEndsCom) {
  WriteConfiguration(With([](TestPrefs& p) { p.ConnectNetworkDrivesOnStartup = false; }), {});
  pc.WriteFile(ExecutableFolder(pc.platform()) + "QBYHelp.chm", "chm");
  SimProcess process(mutexes);
  SimWindowSystem windows(pc);
  int comWhenFreed = -1;
  helpLibrary.OnFree = [&] { comWhenFreed = process.ComInitialized; };
  windows.turn = [&](TApplication& app) {
    TMainForm& f = *app.MainForm;
    f.ActionHelpHelpExecute();
    ASSERT_EQ(helpLibrary.OpenWindows, 1);
    f.AMFileExit.Execute();
  };

  EXPECT_EQ(RunProgram(pc.platform(), process, helpLibrary, windows), 0);

  EXPECT_FALSE(helpLibrary.FreedUnderOpenWindows);
  ASSERT_FALSE(helpLibrary.Calls.empty());
  EXPECT_EQ(helpLibrary.Calls.back().Command, SimHelpLibrary::kCloseAll);
  EXPECT_EQ(helpLibrary.Calls.back().File, "");
  EXPECT_EQ(comWhenFreed, 1) << "COM still there while the library went";
  EXPECT_EQ(helpLibrary.LoadedCount, 0);
  EXPECT_EQ(process.ComInitialized, 0);
}

TEST_F(StartupShutdown, ExitChosenDuringAKeepAliveRunEndsOnceTheRunHasUnwound) {
  pc.AddShare(kMedia);
  pc.AddShare(kOffice);
  pc.AddShare(kPhotos);
  WriteConfiguration({}, {{"H:", kMedia}, {"K:", kOffice}, {"M:", kPhotos}});
  SimProcess process(mutexes);
  SimWindowSystem windows(pc);
  int lastDriveCallsAtExit = -1;
  bool destroyedInsideTheRun = false;
  windows.turn = [&](TApplication& app) {
    TMainForm& f = *app.MainForm;
    if (!pc.OnProcessMessages) {
      pc.SetNetworkDelay(5000);
      // The user picks Exit from the icon's menu while the scheduled run is between drives.
      pc.OnProcessMessages = [&] {
        if (!f.HeartBeatThread || !f.HeartBeatThread->InOwnCall()) return;  // not inside the run
        if (lastDriveCallsAtExit >= 0) {
          destroyedInsideTheRun = destroyedInsideTheRun || f.Destroyed();
          return;
        }
        lastDriveCallsAtExit = CountCalls(pc, "GetUniversalName", "M:");
        EXPECT_TRUE(f.PopupActionMenuTrayIcon.Items[4].Click());
      };
    }
    pc.Advance(1000);
  };

  EXPECT_EQ(RunProgram(pc.platform(), process, helpLibrary, windows), 0);

  ASSERT_GE(lastDriveCallsAtExit, 0) << "no keep-alive run came";
  EXPECT_FALSE(destroyedInsideTheRun);
  // The run unwound without another call after Exit was chosen, and only then did the
  // program end in order.
  EXPECT_EQ(CountCalls(pc, "GetUniversalName", "M:"), lastDriveCallsAtExit);
  EXPECT_TRUE(windows.formDestroyedBeforeWindows);
  EXPECT_THAT(ConfigurationText(), HasSubstr("[NetworkDrive_M:]"));
  EXPECT_EQ(pc.AttachedThreads(), 0);
  EXPECT_TRUE(mutexes.Held.empty());
  EXPECT_FALSE(pc.BusyCursor());
  pc.OnProcessMessages = nullptr;
}

TEST_F(StartupShutdown, SessionEndingInsideAKeepAliveRunSavesWithoutWaitingForTheThread) {
  pc.AddShare(kMedia);
  pc.AddShare(kOffice);
  WriteConfiguration({}, {{"H:", kMedia}, {"K:", kOffice}});
  TMainForm& f = Start();
  const int saves = pc.ReplaceCount;
  bool ended = false;
  bool threadKept = false;
  int savesInside = -1;
  pc.OnProcessMessages = [&] {
    if (ended || !f.HeartBeatThread || !f.HeartBeatThread->InOwnCall()) return;
    ended = true;
    EXPECT_TRUE(f.WMQueryEndSession());
    f.WMEndSession(true);  // must return: the thread waits for the very call this is in
    threadKept = f.HeartBeatThread != nullptr;
    savesInside = pc.ReplaceCount;
  };
  pc.Advance(60000);
  pc.OnProcessMessages = nullptr;

  ASSERT_TRUE(ended);
  EXPECT_EQ(savesInside, saves + 1);
  EXPECT_TRUE(threadKept);  // told to stop, freed with the window
  EXPECT_TRUE(f.Destroyed());
  // No further keep-alive run comes, and the window goes without a hang.
  const size_t lines = f.Surfaces.Messages.size();
  pc.Advance(120000);
  EXPECT_EQ(f.Surfaces.Messages.size(), lines);
  form.reset();
  EXPECT_EQ(pc.AttachedThreads(), 0);
}

TEST_F(StartupShutdown, ASecondInstanceIsRefusedWithItsNoteAndCreatesNothing) {
  WriteConfiguration(With([](TestPrefs& p) { p.ConnectNetworkDrivesOnStartup = false; }), {});
  SimProcess first(mutexes);
  bool exists = false;
  first.CreateNamedMutex("Quillbay.exe", exists);  // the first copy is running
  ASSERT_FALSE(exists);

  SimProcess second(mutexes);
  SimWindowSystem windows(pc);
  EXPECT_EQ(RunProgram(pc.platform(), second, helpLibrary, windows), 0);

  EXPECT_FALSE(windows.created);
  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Text, "Quillbay is already running.");
  EXPECT_EQ(pc.MessageBoxes[0].Kind, MessageBoxKind::Information);
  EXPECT_EQ(pc.ReplaceCount, 0);  // nothing saved over the first copy's file
  EXPECT_EQ(second.ComInitialized, 0);
  EXPECT_EQ(helpLibrary.LoadedCount, 0);
  EXPECT_TRUE(mutexes.Held.count("Quillbay.exe"));  // still the first copy's

  // A copy under another file name is not stopped by the guard.
  pc.SetExecutablePath(R"(C:\Tools\QuillbayCopy.exe)");
  pc.WriteFile(R"(C:\Tools\Languages.ini)", ReadSourceFile("resources/Languages.ini"));
  SimProcess other(mutexes);
  SimWindowSystem otherWindows(pc);
  otherWindows.turn = [](TApplication& app) { app.MainForm->AMFileExit.Execute(); };
  EXPECT_EQ(RunProgram(pc.platform(), other, helpLibrary, otherWindows), 0);
  EXPECT_TRUE(otherWindows.created);
  EXPECT_EQ(other.MutexName, "QuillbayCopy.exe");
}

TEST_F(StartupShutdown, ComIsReadyBeforeTheFirstProgramStarts) {
  pc.AddShare(kMedia);
  WriteConfiguration({}, {{"H:", kMedia}});
  std::string text = pc.FileBytes(ConfigurationFileName(pc.platform()));
  text += "RunProgramProgram_0=C:\\Tools\\sync.exe\r\n";
  pc.WriteFile(ConfigurationFileName(pc.platform()), text);
  SimProcess process(mutexes);
  std::vector<int> comAtStart;
  ObservingShell shell(pc.platform().shell, [&] { comAtStart.push_back(process.ComInitialized); });
  Platform observed = WithShell(pc.platform(), shell);
  SimWindowSystem windows(pc);
  windows.turn = [](TApplication& app) { app.MainForm->AMFileExit.Execute(); };

  EXPECT_EQ(RunProgram(observed, process, helpLibrary, windows), 0);

  ASSERT_FALSE(comAtStart.empty());  // the start-up connect started the drive's program
  EXPECT_EQ(comAtStart[0], 1);
  EXPECT_EQ(process.ComInitialized, 0);
}

TEST_F(StartupShutdown, ExitDuringAKeepAliveRunNestedInTheUsersRunUnwindsBothWithoutWaiting) {
  pc.AddShare(kMedia);
  pc.AddShare(kOffice);
  pc.AddShare(kPhotos);
  WriteConfiguration(With([](TestPrefs& p) { p.ConnectNetworkDrivesOnStartup = false; }),
                     {{"H:", kMedia}, {"K:", kOffice}, {"M:", kPhotos}});
  SimProcess process(mutexes);
  SimWindowSystem windows(pc);
  bool userRunDone = false;
  bool exitChosen = false;
  bool minutePassed = false;
  int64_t exitAt = -1;
  bool destroyedDuringRuns = false;
  std::vector<std::string> linesAfterExit;
  windows.turn = [&](TApplication& app) {
    TMainForm& f = *app.MainForm;
    ASSERT_FALSE(userRunDone) << "the loop went on after Exit";
    pc.OnProcessMessages = [&] {
      if (f.Destroyed()) destroyedDuringRuns = true;
      // The keep-alive minute ends while the user's run is between drives.
      if (!minutePassed && f.Engine.RunInProgress() && !f.Engine.WaitingOnServer()) {
        minutePassed = true;
        pc.Advance(61000);
      }
      if (exitChosen || !f.HeartBeatThread || !f.HeartBeatThread->InOwnCall()) return;
      exitChosen = true;  // from the icon's menu, inside the keep-alive run
      exitAt = pc.NowMs();
      f.PopupActionMenuTrayIcon.Items[4].Click();
    };
    const size_t before = f.Surfaces.Messages.size();
    f.AMDrivesConnectDrives.Execute();  // the user's run
    userRunDone = true;
    for (size_t i = f.Surfaces.Messages.size() - before; i-- > 0;) linesAfterExit.push_back(f.Surfaces.Messages[i].Text);
    pc.OnProcessMessages = nullptr;
  };

  EXPECT_EQ(RunProgram(pc.platform(), process, helpLibrary, windows), 0);

  ASSERT_TRUE(exitChosen);
  EXPECT_TRUE(userRunDone);
  EXPECT_FALSE(destroyedDuringRuns);
  EXPECT_EQ(windows.turns, 1);
  // Both runs unwound without waiting for another call (the clock stands where the
  // test's own minute left it); nothing was done twice.
  EXPECT_GE(exitAt, 60000);
  EXPECT_EQ(pc.NowMs(), 61000);
  for (const char* drive : {"H:", "K:", "M:"}) {
    SCOPED_TRACE(drive);
    EXPECT_LE(std::count(linesAfterExit.begin(), linesAfterExit.end(), T(10300) + drive + "'."), 1);
    EXPECT_LE(CountCalls(pc, "AddConnection2", drive), 1);
  }
  EXPECT_EQ(std::count(linesAfterExit.begin(), linesAfterExit.end(), T(10226)), 2);
  EXPECT_THAT(ConfigurationText(), HasSubstr("[NetworkDrive_M:]"));
  EXPECT_EQ(pc.AttachedThreads(), 0);
  EXPECT_FALSE(pc.BusyCursor());
}

namespace {

// Drive letters that cannot be examined at all: start-up fails while reading the drives.
struct BrokenDrives : Drives {
  explicit BrokenDrives(Drives& real) : real_(real) {}
  uint32_t GetDriveType(const char*) override { throw std::runtime_error("The drive letters cannot be read."); }
  uint32_t GetLogicalDrives() override { return real_.GetLogicalDrives(); }
  bool GetDiskFreeSpaceEx(const char* root, uint64_t& free, uint64_t& total) override {
    return real_.GetDiskFreeSpaceEx(root, free, total);
  }
  uint32_t GetFileAttributes(const char* path) override { return real_.GetFileAttributes(path); }
  Drives& real_;
};

}  // namespace

TEST_F(StartupShutdown, AStartUpThatFailsSaysWhyAndLeavesTheConfigurationAlone) {
  pc.AddShare(kMedia);
  WriteConfiguration(TestPrefs{}, {{"H:", kMedia}, {"K:", kOffice}});
  const std::string before = ConfigurationText();
  BrokenDrives drives(pc.platform().drives);
  const Platform& b = pc.platform();
  Platform broken{b.network, drives, b.files, b.registry, b.shell, b.environment, b.clock, b.ui, b.protection};
  SimProcess process(mutexes);
  SimWindowSystem windows(pc);

  EXPECT_EQ(RunProgram(broken, process, helpLibrary, windows), 1);

  EXPECT_FALSE(windows.created);
  EXPECT_TRUE(windows.iconBeforeStartUp);
  EXPECT_TRUE(windows.destroyed) << "the icon goes with the failed start";
  ASSERT_EQ(pc.MessageBoxes.size(), 1u);
  EXPECT_EQ(pc.MessageBoxes[0].Text, "The drive letters cannot be read.");
  EXPECT_EQ(pc.MessageBoxes[0].Kind, MessageBoxKind::Error);
  EXPECT_EQ(ConfigurationText(), before);  // no drive lost to a half-read start
  EXPECT_TRUE(mutexes.Held.empty());
  EXPECT_EQ(process.ComInitialized, 0);
}

TEST_F(StartupShutdown, TheActionsOpenTheProgramsDialogsAndTheWindowSavesWhatTheyChanged) {
  pc.AddShare(kMedia);
  WriteConfiguration(With([](TestPrefs& p) { p.ConnectNetworkDrivesOnStartup = false; }), {});
  SimProcess process(mutexes);
  SimWindowSystem windows(pc);
  std::string addedDrive;
  windows.turn = [&](TApplication& app) {
    TMainForm& f = *app.MainForm;
    pc.WhenModal([&] {
      EXPECT_FALSE(f.Enabled);
      TAddNetworkDriveForm& dialog = *app.AddNetworkDriveForm;
      EXPECT_EQ(dialog.Drive, "");
      addedDrive = dialog.ComboBoxDrive.Text().substr(0, 2);
      dialog.ComboBoxNetworkLocationHistoryList.Type(kMedia);
      dialog.ButtonOK.Click();
    });
    f.AMDrivesAddNetworkDrive.Execute();
    EXPECT_TRUE(f.Enabled);

    pc.WhenModal([&] {
      EXPECT_EQ(app.PreferencesForm->PageControl1.ActivePageIndex(), 0);
      app.PreferencesForm->ButtonCancel.Click();
    });
    app.PreferencesForm->PageControl1.SetActivePageIndex(2);
    f.AMToolsPreferences.Execute();

    pc.WhenModal([&] { app.AboutForm->PressEscape(); });
    f.AMHelpAbout.Execute();
    f.AMFileExit.Execute();
  };

  EXPECT_EQ(RunProgram(pc.platform(), process, helpLibrary, windows), 0);

  EXPECT_EQ(pc.ModalShowings, 3);
  EXPECT_EQ(pc.ModalsLeftOpen, 0);
  ASSERT_EQ(addedDrive.size(), 2u);
  EXPECT_EQ(pc.MappingOf(addedDrive[0]), kMedia);  // connected on saving
  EXPECT_THAT(ConfigurationText(), HasSubstr("[NetworkDrive_" + addedDrive + "]"));
}

// Exit while a call waits on a slow server: the call is left behind, the run unwinds
// without another call, and the program ends at once with the states it last knew.
TEST_F(StartupShutdown, ExitDuringASlowCallEndsAtOnceAndSavesTheStatesLastKnown) {
  pc.AddShare(kMedia).DelayMs = 30000;
  pc.AddShare(kOffice);
  WriteConfiguration(With([](TestPrefs& p) { p.ConnectNetworkDrivesOnStartup = false; }),
                     {{"H:", kMedia}, {"K:", kOffice}});
  SimProcess process(mutexes);
  SimWindowSystem windows(pc);
  int64_t exitAt = -1;
  std::string statesAtExit;
  windows.turn = [&](TApplication& app) {
    TMainForm& f = *app.MainForm;
    pc.OnProcessMessages = [&] {
      if (exitAt >= 0 || !f.Engine.WaitingOnServer()) return;
      exitAt = pc.NowMs();
      for (const char* drive : {"H:", "K:"}) statesAtExit += std::to_string(f.Configuration.NetworkDrives.FindDrive(drive)->State);
      EXPECT_TRUE(f.PopupActionMenuTrayIcon.Items[4].Click());  // Exit from the icon's menu
    };
    f.AMDrivesConnectDrives.Execute();
    pc.OnProcessMessages = nullptr;
  };

  EXPECT_EQ(RunProgram(pc.platform(), process, helpLibrary, windows), 0);

  ASSERT_GE(exitAt, 0) << "no call waited";
  EXPECT_EQ(windows.turns, 1);
  EXPECT_EQ(pc.NowMs(), exitAt);  // nothing waited for a server after Exit
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "K:"), 0);  // the run did not go on
  EXPECT_EQ(CountCalls(pc, "AddConnection2", "H:"), 1);  // the call left behind, made once
  EXPECT_TRUE(windows.formDestroyedBeforeWindows);
  const std::string saved = ConfigurationText();
  EXPECT_THAT(saved, HasSubstr("[NetworkDrive_H:]"));
  EXPECT_THAT(saved, HasSubstr("[NetworkDrive_K:]"));
  EXPECT_EQ(statesAtExit, "22");  // neither known yet: both saved so, not as failed
  EXPECT_THAT(saved, Not(HasSubstr("DriveState=3")));
  EXPECT_EQ(pc.AttachedThreads(), 0);
  EXPECT_TRUE(mutexes.Held.empty());
  EXPECT_FALSE(pc.BusyCursor());
}
