#include "shell/Application.h"

#include <exception>

#include "base/ProductInfo.h"
#include "platform/Platform.h"
#include "platform/Process.h"

namespace {
}

TApplication::TApplication(Platform& p, Process& process, HelpLibrary& helpLibrary)
    : platform(p), Help(p, helpLibrary), process_(process) {}

TApplication::~TApplication() { Finalize(); }

std::string TApplication::MutexName() const {
  const std::string path = platform.environment.ExecutablePath();
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool TApplication::Initialize() {
  bool alreadyExists = false;
  process_.CreateNamedMutex(MutexName(), alreadyExists);
  if (alreadyExists) {
    platform.ui.MessageBox("Quillbay is already running.", kProductName, MessageBoxKind::Information);
    return false;
  }
  Title = kProductName;
  // Before anything can reach ShellExecuteA (the start-up connect starts programs).
  process_.InitializeCom();
  comInitialized_ = true;
  return true;
}

void TApplication::CreateForms(TWindowSystem& windows) {
  MainForm = std::make_unique<TMainForm>(platform, Help);
  windows.CreateNotificationIcon(*MainForm);
  MainForm->FormCreate();
  TEngine& engine = MainForm->Engine;
  // The drive dialog opens the program and volume dialogs, so they exist first.
  AddRunProgramForm = std::make_unique<TAddRunProgramForm>(engine);
  AddTrueCryptVolumeForm = std::make_unique<TAddTrueCryptVolumeForm>(engine);
  AddNetworkDriveForm = std::make_unique<TAddNetworkDriveForm>(engine, *AddRunProgramForm, *AddTrueCryptVolumeForm);
  AboutForm = std::make_unique<TAboutForm>(engine);
  PreferencesForm = std::make_unique<TPreferencesForm>(engine);

  TMainForm& main = *MainForm;
  PreferencesForm->OnHelp = [&main] { main.ActionHelpHelpExecute(); };
  main.Dialogs.ShowNetworkDriveProperties = [this](const std::string& drive) {
    AddNetworkDriveForm->Drive = drive;
    AddNetworkDriveForm->ShowModal();
  };
  main.Dialogs.ShowPreferences = [this] {
    PreferencesForm->PageControl1.SetActivePageIndex(0);
    PreferencesForm->ShowModal();
  };
  main.Dialogs.ShowAbout = [this] { AboutForm->ShowModal(); };
}

void TApplication::Finalize() {
  if (finalized_) return;
  finalized_ = true;
  if (MainForm) MainForm->FormDestroy();
  PreferencesForm.reset();
  AboutForm.reset();
  AddNetworkDriveForm.reset();
  AddTrueCryptVolumeForm.reset();
  AddRunProgramForm.reset();
  MainForm.reset();
  process_.ReleaseNamedMutex();
  // The help library may use COM while its windows close, so COM ends last.
  Help.UnloadHtmlHelp();
  if (comInitialized_) process_.UninitializeCom();
  comInitialized_ = false;
}

int RunProgram(Platform& platform, Process& process, HelpLibrary& helpLibrary, TWindowSystem& windows) {
  TApplication application(platform, process, helpLibrary);
  try {
    if (!application.Initialize()) {
      application.Finalize();
      return 0;
    }
    application.CreateForms(windows);
    // The session may have ended during the start-up sequence: the program is ended then.
    if (!application.MainForm->Terminated()) {
      windows.CreateWindows(application);
      windows.Run(application);
    }
    application.MainForm->FormDestroy();
    windows.DestroyWindows(application);
    application.Finalize();
    return 0;
  } catch (const std::exception& error) {
    // Whatever escaped: said plainly, and the configuration still saved on the way out.
    platform.ui.MessageBox(error.what(), kProductName, MessageBoxKind::Error);
    // The windows go before the forms they show.
    windows.DestroyWindows(application);
    application.Finalize();
    return 1;
  }
}
