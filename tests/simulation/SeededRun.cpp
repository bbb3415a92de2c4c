#include "simulation/SeededRun.h"

#include <algorithm>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "base/AsciiText.h"
#include "data/Configuration.h"
#include "data/IniFile.h"
#include "platform/WinTypes.h"
#include "platform/sim/SimHelpLibrary.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimProcess.h"
#include "shell/Application.h"
#include "simulation/Invariants.h"

namespace {

const char* const kShares[] = {R"(\\nas\media)", R"(\\nas\office)", R"(\\nas\photos)", R"(\\lab\builds)",
                               R"(\\lab\scratch)"};
const char* const kServers[] = {"nas", "lab"};
const std::string kLetters = "GHIJKMPS";  // where drives, foreign mappings and devices go
const std::string kTrueCrypt = R"(C:\Program Files\TrueCrypt\TrueCrypt.exe)";
const std::string kBuildsUser = "bob";
const std::string kBuildsPassword = R"(pa"ss\)";

std::string LanguagesIni() {
  std::ifstream file(QUILLBAY_LANGUAGES_FILE, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The shell, noting each program start and volume mount for the invariants.
class ObservingShell : public Shell {
 public:
  ObservingShell(Shell& real, std::function<void(const std::string&, const std::string&)> observe)
      : real_(real), observe_(std::move(observe)) {}
  intptr_t ShellExecute(const char* verb, const char* file, const char* parameters, int show) override {
    observe_(file ? file : "", parameters ? parameters : "");
    return real_.ShellExecute(verb, file, parameters, show);
  }

 private:
  Shell& real_;
  std::function<void(const std::string&, const std::string&)> observe_;
};

class TSeededRun : public TWindowSystem {
 public:
  explicit TSeededRun(const TSeededRunOptions& options)
      : options_(options),
        schedule_(options.Seed, options.Rates, 0),
        shell_(pc_.platform().shell, [this](const std::string& file, const std::string& parameters) {
          ObserveStart(file, parameters);
        }),
        platform_{pc_.platform().network, pc_.platform().drives, pc_.platform().files,
                  pc_.platform().registry, shell_, pc_.platform().environment,
                  pc_.platform().clock, pc_.platform().ui, pc_.platform().protection},
        invariants_(pc_) {}

  TSeededRunResult Run() {
    SetUpMachine();
    const int64_t endMs = static_cast<int64_t>(options_.Days * 24 * 3600 * 1000);
    endMs_ = endMs;
    while (pc_.NowMs() < endMs && result_.Clean) {
      SimProcess process(mutexes_);
      ++result_.ProgramStarts;
      Forget();
      const int code = RunProgram(platform_, process, helpLibrary_, *this);
      app_ = nullptr;
      if (result_.Clean) Check(invariants_.AfterEnd(code, view_));
      if (result_.Clean && !mutexes_.Held.empty()) Check({"NothingOutlivesTheProgram", "the mutex is still held"});
      // Off until the next start: faults go on meanwhile, the user is away.
      WhileOff(restartAtMs_);
    }
    result_.SimulatedDays = static_cast<double>(pc_.NowMs()) / (24.0 * 3600 * 1000);
    return result_;
  }

  // --- TWindowSystem: the program's windows and message loop on the simulated machine ---

  void CreateWindows(TApplication& application) override {
    app_ = &application;
    TMainForm& form = *application.MainForm;
    pc_.SetDeviceChangeHandler([this](const DeviceChange& change) {
      if (app_ != nullptr) app_->MainForm->WMDeviceChange(change);
    });
    pc_.SetNetworkEventHandler([this](NetworkEventKind kind) {
      if (app_ != nullptr) app_->MainForm->Engine.NetworkEvent(kind);
    });
    // Faults also come in the middle of the user's runs and while dialogs are open.
    pc_.OnProcessMessages = [this] { FaultsDue(); };
    if (form.Visible && form.ShowMainForm) form.FormActivate();
    Check(invariants_.AfterStart(form, view_));
    Forget();
  }

  void Run(TApplication& application) override {
    TMainForm& form = *application.MainForm;
    while (!form.Terminated() && result_.Clean) {
      TEvent event = schedule_.Next();
      if (event.AtMs >= endMs_) {
        pc_.Advance(std::max<int64_t>(endMs_ - pc_.NowMs(), 0));
        event = {endMs_, TEventKind::Exit, 0};
      }
      // Time passing is a step of its own: the keep-alive thread's runs are checked before
      // the event comes.
      pc_.Advance(std::max<int64_t>(event.AtMs - pc_.NowMs(), 0));
      Check(invariants_.AfterStep(form, view_));
      Forget();
      if (result_.Clean) Step(form, event);
    }
  }

  void DestroyWindows(TApplication& application) override {
    // The shutdown has saved; the records are still there to compare with.
    Check(invariants_.AfterShutdown(*application.MainForm, view_));
    pc_.OnProcessMessages = nullptr;
    pc_.SetNetworkEventHandler(nullptr);
    pc_.SetDeviceChangeHandler(nullptr);
    app_ = nullptr;
  }

 private:
  void SetUpMachine() {
    pc_.WriteFile(ExecutableFolder(pc_.platform()) + "Languages.ini", LanguagesIni());
    pc_.WriteFile(kTrueCrypt, "exe");
    for (const char* path : kShares) pc_.AddShare(path);
    SimShare& builds = *pc_.FindShare(kShares[3]);
    builds.RequiredUser = kBuildsUser;
    builds.RequiredPassword = kBuildsPassword;
    pc_.WriteFile(ConfigurationFileName(pc_.platform()),
                  "[Preferences]\r\nFirstTimeUsage=0\r\nMinimizeOnStartup=1\r\nConnectNetworkDrivesOnStartup=1\r\n"
                  "DismountVolumesOnExit=1\r\nTrueCryptProgramLocation=" + kTrueCrypt + "\r\n"
                  "[NetworkDrive_H:]\r\nDrive=H:\r\nNetworkLocation=\\\\nas\\media\r\nNetworkName=Media\r\n"
                  "RunProgramProgram_0=H:\\Tools\\sync.exe\r\nRunProgramParameters_0=/quiet\r\n"
                  "[NetworkDrive_I:]\r\nDrive=I:\r\nNetworkLocation=\\\\nas\\office\r\n"
                  "TrueCryptVolumeDrive_0=T:\r\nTrueCryptVolumeVolume_0=I:\\vault.tc\r\n");
  }

  // --- Steps ---

  void Step(TMainForm& form, const TEvent& event) {
    ++result_.Steps;
    Remember(event.Text());
    if (IsFault(event.Kind))
      Fault(event);
    else
      UserAction(form, event);
    if (!app_ || form.Destroyed()) return;  // the end of the session ended the program
    if (!result_.Clean) return;
    AfterUserAction(form);
    Check(invariants_.AfterStep(form, view_));
    Forget();
  }

  // What the machine recorded has been looked at; it would only grow.
  void Forget() {
    pc_.NetCalls.clear();
    for (auto& [drive, since] : view_.DisconnectedByUser) since = 0;
    view_.ReplaceCountBefore = pc_.ReplaceCount;
    view_.FileBefore = pc_.FileBytes(ConfigurationFileName(pc_.platform()));
    view_.WritesFailed = writesFail_;
    pc_.MessageBoxes.clear();
    pc_.Starts.clear();
  }

  void FaultsDue() {
    if (inFault_ || app_ == nullptr) return;
    TEvent event;
    while (schedule_.NextFaultDue(pc_.NowMs(), event)) {
      Remember(event.Text() + " (during a run or dialog)");
      Fault(event);
    }
  }

  // A letter of the pool chosen by `pick` among those that pass `fits`, or 0.
  char PickLetter(uint32_t pick, const std::function<bool(char)>& fits) {
    std::string candidates;
    for (char letter : kLetters)
      if (fits(letter)) candidates += letter;
    return candidates.empty() ? 0 : candidates[pick % candidates.size()];
  }

  bool LetterFree(char letter) {
    return pc_.MappingOf(letter).empty() &&
           pc_.platform().drives.GetDriveType((std::string(1, letter) + ":\\").c_str()) == win::DRIVE_NO_ROOT_DIR;
  }

  void Fault(const TEvent& event) {
    inFault_ = true;
    const std::string share = kShares[event.Pick % std::size(kShares)];
    const std::string server = kServers[event.Pick % std::size(kServers)];
    switch (event.Kind) {
      case TEventKind::ShareOffline: pc_.SetShareOnline(share, false); break;
      case TEventKind::ShareOnline: pc_.SetShareOnline(share, true); break;
      case TEventKind::ServerOff:
        invariants_.ServersOff.insert(server);
        pc_.SetServerReachable(server, false);
        break;
      case TEventKind::ServerOn:
        invariants_.ServersOff.erase(server);
        pc_.SetServerReachable(server, true);
        break;
      case TEventKind::ServerSlow: pc_.FindShare(share)->DelayMs = 2000 + event.Pick % 30000; break;
      case TEventKind::ServerFast: pc_.FindShare(share)->DelayMs = 0; break;
      case TEventKind::VolumeVanishes:
        if (char letter = PickLetter(event.Pick, [&](char l) { return !pc_.MappingOf(l).empty(); }))
          pc_.VanishVolume(letter);
        break;
      case TEventKind::MappedFromOutside:
        if (char letter = PickLetter(event.Pick, [&](char l) { return LetterFree(l); }))
          pc_.MapFromOutside(letter, kShares[(event.Pick / 7) % std::size(kShares)]);
        break;
      case TEventKind::DeviceArrives:
        if (char letter = PickLetter(event.Pick, [&](char l) { return LetterFree(l); })) {
          pc_.SetLocalDrive(letter, win::DRIVE_REMOVABLE);
          devices_[event.Pick] = letter;
        }
        break;
      case TEventKind::DeviceRemoved:
        if (auto device = devices_.find(event.Pick); device != devices_.end()) {
          pc_.SetLocalDrive(device->second, win::DRIVE_NO_ROOT_DIR);
          devices_.erase(device);
        }
        break;
      case TEventKind::FilesOpened:
        if (char letter = PickLetter(event.Pick, [&](char l) { return !pc_.MappingOf(l).empty(); }))
          pc_.SetOpenFiles(letter, true);
        break;
      case TEventKind::NetworkChange: pc_.FireNetworkChange(); break;
      case TEventKind::Resume: pc_.FireResume(); break;
      case TEventKind::SessionReturn: pc_.FireSessionReturn(); break;
      case TEventKind::DiskFull:
        pc_.FailWrites(writesFail_ = view_.WritesFailed = true);
        break;
      case TEventKind::DiskFreed: pc_.FailWrites(writesFail_ = false); break;
      default: break;
    }
    inFault_ = false;
  }

  // Selects a drive-list row by `pick` as a click does; the drive, or "" when the list is empty.
  std::string SelectRow(TMainForm& form, uint32_t pick) {
    const size_t rows = form.Surfaces.DriveRows.size();
    if (rows == 0) return "";
    const int row = static_cast<int>(pick % rows);
    form.SelectDriveRow(row);
    return form.Surfaces.DriveRows[static_cast<size_t>(row)].Cells[0];
  }

  // The user takes a while over a dialog; the program works on meanwhile, and the
  // notification-area menu still answers.
  void Dwell(uint32_t pick) {
    pc_.Advance(static_cast<int64_t>(pick % 90) * 1000);
    TMainForm& form = *app_->MainForm;
    switch ((pick / 90) % 16) {
      case 0:
        view_.DisconnectedByUser.clear();
        form.PopupActionMenuTrayIcon.Items[0].Click();
        break;
      case 1:
        form.PopupActionMenuTrayIcon.Items[1].Click();
        disconnectedNow_ = "*";
        AfterUserAction(form);
        break;
      case 2:
        form.PopupActionMenuTrayIcon.Items[4].Click();
        restartAtMs_ = pc_.NowMs() + static_cast<int64_t>(pick % 600) * 1000;
        break;
      default: break;
    }
    pc_.Advance(static_cast<int64_t>(pick / 1440 % 30) * 1000);
  }

  void UserAction(TMainForm& form, const TEvent& event) {
    const uint32_t pick = event.Pick;
    const bool yes = (pick / 3) % 4 != 0;
    switch (event.Kind) {
      case TEventKind::ConnectAll:
        view_.DisconnectedByUser.clear();
        form.AMDrivesConnectDrives.Execute();
        break;
      case TEventKind::DisconnectAll:
        form.AMDrivesDisconnectDrives.Execute();
        disconnectedNow_ = "*";
        break;
      case TEventKind::ConnectSelected: {
        const std::string drive = SelectRow(form, pick);
        if (drive.empty()) break;
        view_.DisconnectedByUser.erase(drive);
        form.AMDrivesConnectSelectedDrive.Execute();
        break;
      }
      case TEventKind::DisconnectSelected:
        disconnectedNow_ = SelectRow(form, pick);
        if (form.AMDrivesDisconnectSelectedDrive.Enabled) form.AMDrivesDisconnectSelectedDrive.Execute();
        break;
      case TEventKind::AddDrive: AddDrive(form, pick); break;
      case TEventKind::EditDrive: EditDrive(form, pick); break;
      case TEventKind::RemoveDrive:
        if (SelectRow(form, pick).empty()) break;
        pc_.AnswerNext(yes ? win::IDYES : win::IDNO);
        form.AMDrivesRemoveNetworkDrive.Execute();
        break;
      case TEventKind::RemoveAllDrives:
        pc_.AnswerNext(yes ? win::IDYES : win::IDNO);
        form.AMDrivesRemoveAllNetworkDrives.Execute();
        break;
      case TEventKind::ChangePreferences: ChangePreferences(form, pick); break;
      case TEventKind::Import:
        pc_.AnswerNext(yes ? win::IDYES : win::IDNO);
        form.AMToolsImport.Execute();
        break;
      case TEventKind::ShowOrHide: form.TrayIcon.DblClick(); break;
      case TEventKind::Exit:
        form.AMFileExit.Execute();
        restartAtMs_ = pc_.NowMs() + static_cast<int64_t>(pick % 600) * 1000;
        break;
      case TEventKind::EndSession:
        restartAtMs_ = pc_.NowMs() + (30 + static_cast<int64_t>(pick % 600)) * 60000;  // overnight, say
        form.WMQueryEndSession();
        form.WMEndSession(true);
        break;
      default: break;
    }
  }

  // What the user now relies on after the step.
  void AfterUserAction(TMainForm& form) {
    for (const auto& item : form.Configuration.NetworkDrives) {
      if (!item->QbyControl) {
        // Out of control: what it promised ends with it.
        view_.DisconnectedByUser.erase(item->Drive);
        for (auto it = view_.Starts.begin(); it != view_.Starts.end();)
          it = it->first.rfind(item->Drive, 0) == 0 ? view_.Starts.erase(it) : std::next(it);
        continue;
      }
      // A drive the user just disconnected, shown disconnected, stays so.
      if ((disconnectedNow_ == "*" || disconnectedNow_ == item->Drive) && item->State == dsDisconnected)
        view_.DisconnectedByUser.emplace(item->Drive, pc_.NetCalls.size());
    }
    disconnectedNow_.clear();
  }

  void AddDrive(TMainForm& form, uint32_t pick) {
    TAddNetworkDriveForm& dialog = *app_->AddNetworkDriveForm;
    pc_.WhenModal([&, pick] {
      const int letters = static_cast<int>(dialog.ComboBoxDrive.Items().size());
      if (letters > 0) dialog.ComboBoxDrive.Select(static_cast<int>(pick % static_cast<uint32_t>(letters)));
      const std::string drive = dialog.ComboBoxDrive.Text().substr(0, 2);
      const std::string share = kShares[(pick / 5) % std::size(kShares)];
      dialog.ComboBoxNetworkLocationHistoryList.Type(share);
      dialog.EditNetworkName.Type("Drive " + std::to_string(pick % 100));
      if (share == kShares[3]) {
        dialog.EditUserName.Type(kBuildsUser);
        dialog.EditPassword.Type(kBuildsPassword);
      }
      if ((pick / 11) % 2 == 0) AddProgram(dialog, drive, pick);
      Dwell(pick / 13);
      Close(dialog, drive, pick / 17);
    });
    form.AMDrivesAddNetworkDrive.Execute();
  }

  void EditDrive(TMainForm& form, uint32_t pick) {
    const std::string drive = SelectRow(form, pick);
    if (drive.empty()) return;
    TAddNetworkDriveForm& dialog = *app_->AddNetworkDriveForm;
    pc_.WhenModal([&, pick, drive] {
      switch ((pick / 5) % 5) {
        case 0: dialog.EditNetworkName.Type("Renamed " + std::to_string(pick % 100)); break;
        case 1: dialog.ComboBoxNetworkLocationHistoryList.Type(kShares[(pick / 7) % 3]); break;
        case 2: AddProgram(dialog, drive, pick); break;
        case 3: AddVolume(dialog, drive, pick); break;
        default:
          if (dialog.ListViewRunPrograms.Count() > 0) {
            dialog.ListViewRunPrograms.Select(0);
            pc_.AnswerNext(win::IDYES);
            dialog.ButtonProgramRemove.Click();
          }
          break;
      }
      Dwell(pick / 13);
      Close(dialog, drive, pick / 17);
    });
    form.AMDrivesNetworkDriveProperties.Execute();
  }

  void AddProgram(TAddNetworkDriveForm& dialog, const std::string& drive, uint32_t pick) {
    TAddRunProgramForm& program = *app_->AddRunProgramForm;
    pc_.WhenModal([&, drive, pick] {
      program.EditRunProgram.Type(drive + "\\Tools\\tool" + std::to_string(pick % 1000) + ".exe");
      program.ButtonOK.Click();
    });
    dialog.ButtonProgramAdd.Click();
  }

  void AddVolume(TAddNetworkDriveForm& dialog, const std::string& drive, uint32_t pick) {
    TAddTrueCryptVolumeForm& volume = *app_->AddTrueCryptVolumeForm;
    dialog.PageControl1.SelectPage(1);
    pc_.WhenModal([&, drive, pick] {
      volume.EditVolume.Type(drive + "\\vault" + std::to_string(pick % 1000) + ".tc");
      const int letters = static_cast<int>(volume.ComboBoxDrive.Items().size());
      if (letters > 0) volume.ComboBoxDrive.Select(static_cast<int>(pick % static_cast<uint32_t>(letters)));
      volume.EditPassword.Type("v" + std::to_string(pick % 77));
      volume.ButtonOK.Click();
    });
    dialog.ButtonVolumeAdd.Click();
  }

  // OK, Apply then Cancel, or Cancel; a save connects the drive, as the user asked.
  void Close(TAddNetworkDriveForm& dialog, const std::string& drive, uint32_t pick) {
    const size_t before = pc_.NetCalls.size();
    switch (pick % 3) {
      case 0: dialog.ButtonOK.Click(); break;
      case 1:
        dialog.ButtonApply.Click();
        dialog.ButtonCancel.Click();
        break;
      default: dialog.ButtonCancel.Click(); break;
    }
    // A refused save (a letter or location the dialog does not take) leaves it open.
    if (!dialog.ModalEnded()) dialog.ButtonCancel.Click();
    // A save connects the drive: the user asked for it (an unchanged drive is not saved).
    for (size_t i = before; i < pc_.NetCalls.size(); ++i)
      if (pc_.NetCalls[i].LocalName == drive && pc_.NetCalls[i].Call.rfind("AddConnection", 0) == 0)
        view_.DisconnectedByUser.erase(drive);
  }

  void ChangePreferences(TMainForm& form, uint32_t pick) {
    TPreferencesForm& dialog = *app_->PreferencesForm;
    pc_.WhenModal([&, pick] {
      if (pick % 2) dialog.CheckBoxDisableBalloonMessages.Click();
      if ((pick / 2) % 3 == 0) dialog.CheckBoxUseForcedDisconnect.Click();
      if ((pick / 6) % 3 == 0) dialog.CheckBoxRemoveAllNetworkDrivesOnExit.Click();
      for (uint32_t i = 0; i < (pick / 18) % 4; ++i)
        ((pick / 72) % 2 ? dialog.UpDownLongReconnectInterval.ClickUp() : dialog.UpDownLongReconnectInterval.ClickDown());
      for (uint32_t i = 0; i < (pick / 144) % 4; ++i)
        ((pick / 576) % 2 ? dialog.UpDownMaxNrOfShortReconnectAttempts.ClickUp()
                          : dialog.UpDownMaxNrOfShortReconnectAttempts.ClickDown());
      Dwell(pick / 13);
      if ((pick / 1152) % 4 != 0)
        dialog.ButtonOK.Click();
      else
        dialog.ButtonCancel.Click();
    });
    form.AMToolsPreferences.Execute();
  }

  void WhileOff(int64_t untilMs) {
    untilMs = std::min(untilMs, endMs_);
    while (schedule_.PeekMs() <= untilMs) {
      const TEvent event = schedule_.Next();
      pc_.Advance(std::max<int64_t>(event.AtMs - pc_.NowMs(), 0));
      if (IsFault(event.Kind)) {
        Remember(event.Text() + " (program not running)");
        Fault(event);
      }
    }
    pc_.Advance(std::max<int64_t>(untilMs - pc_.NowMs(), 0));
    // A new start: the drives the user left disconnected, as saved, stay so; starts count afresh.
    // Read from the file itself: a letter a device holds right now is not read by the
    // program either, but it may be freed during start-up and read then.
    view_.DisconnectedByUser.clear();
    TIniFile saved(pc_.platform(), ConfigurationFileName(pc_.platform()));
    saved.Load();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      const std::string drive = std::string(1, letter) + ":";
      const std::string section = "NetworkDrive_" + drive;
      if (!saved.ReadString(section, "NetworkLocation", "").empty() &&
          saved.ReadInteger(section, "DriveState", dsUnknown) == dsDisconnected)
        view_.DisconnectedByUser.emplace(drive, 0);
    }
    view_.ConnectableSince.clear();
    view_.Starts.clear();
    view_.BalloonShownCount = 0;
  }

  // --- Observing program starts ---

  void ObserveStart(const std::string& file, const std::string& parameters) {
    if (app_ == nullptr) return;
    std::string onDrive, key;
    if (SameTextAscii(file, kTrueCrypt)) {
      const size_t volume = parameters.find("/v \"");
      if (volume != 0) return;  // a dismount or TrueCrypt itself
      onDrive = parameters.substr(4, 2);
      key = onDrive + " volume " + parameters.substr(0, parameters.find(" /l ") + 7);
    } else {
      onDrive = file.substr(0, 2);
      key = onDrive + " program " + file;
    }
    ++view_.Starts[key];
    const TNetworkDriveItem* item = app_->MainForm->Configuration.NetworkDrives.FindDrive(onDrive);
    std::string location = item ? item->NetworkLocation : "";
    while (!location.empty() && location.back() == '\\') location.pop_back();
    if (item == nullptr || !SameTextAscii(pc_.MappingOf(onDrive[0]), location))
      view_.StartsOffTheDrive.push_back(key + " (the letter is mapped to '" + pc_.MappingOf(onDrive[0]) + "')");
  }

  // --- Reporting ---

  void Remember(const std::string& line) {
    lastEvents_.push_back(line);
    if (lastEvents_.size() > 12) lastEvents_.pop_front();
  }

  void Check(const TBroken& broken) {
    if (broken.Holds() || !result_.Clean) return;
    result_.Clean = false;
    std::ostringstream report;
    report << "seed " << options_.Seed << ", step " << result_.Steps << " at " << pc_.NowMs() << " ms (day "
           << pc_.NowMs() / 86400000 << "), start " << result_.ProgramStarts << ": invariant " << broken.Invariant
           << " broken: " << broken.What << "\nlast events:\n";
    for (const std::string& line : lastEvents_) report << "  " << line << "\n";
    report << "last network calls:\n";
    for (size_t i = pc_.NetCalls.size() > 8 ? pc_.NetCalls.size() - 8 : 0; i < pc_.NetCalls.size(); ++i) {
      const SimNetCall& call = pc_.NetCalls[i];
      report << "  " << call.AtMs << " ms " << call.Call << " " << call.LocalName << " " << call.RemoteName << " -> "
             << call.Result << "\n";
    }
    report << "mapped:";
    for (char letter = 'A'; letter <= 'Z'; ++letter)
      if (!pc_.MappingOf(letter).empty())
        report << " " << letter << ": " << pc_.MappingOf(letter) << " (" << pc_.MappingUserOf(letter) << ")";
    report << "\n";
    if (app_ != nullptr) {
      for (const auto& item : app_->MainForm->Configuration.NetworkDrives)
        if (item->QbyControl)
          report << "  drive " << item->Drive << " " << item->NetworkLocation << " user '" << item->Username
                 << "' state " << int{item->State} << "\n";
      report << "last messages:\n";
      const auto& messages = app_->MainForm->Surfaces.Messages;
      for (size_t i = std::min<size_t>(messages.size(), 8); i-- > 0;) report << "  " << messages[i].Text << "\n";
    }
    result_.Report = report.str();
  }

  TSeededRunOptions options_;
  TSchedule schedule_;
  SimMachine pc_;
  SimHelpLibrary helpLibrary_;
  SimNamedMutexes mutexes_;
  ObservingShell shell_;
  Platform platform_;
  TInvariants invariants_;
  TUserView view_;
  TSeededRunResult result_;
  TApplication* app_ = nullptr;
  std::deque<std::string> lastEvents_;
  std::map<uint32_t, char> devices_;  // devices that arrived, by the pick of their arrival
  std::string disconnectedNow_;       // "*": every drive; else the drive the user disconnected
  int64_t endMs_ = 0;
  int64_t restartAtMs_ = 0;
  bool inFault_ = false;
  bool writesFail_ = false;
};

}  // namespace

TSeededRunResult RunSeed(const TSeededRunOptions& options) {
  TSeededRun run(options);
  return run.Run();
}
