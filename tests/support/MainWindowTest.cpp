#include "support/MainWindowTest.h"

#include <algorithm>
#include <stdexcept>

#include "data/Configuration.h"
#include "data/Languages.h"
#include "support/TestApp.h"

void SimWindowSystem::CreateWindows(TApplication& application) {
  created = true;
  TMainForm& form = *application.MainForm;
  form.Site = &site;
  // A window shown at start becomes the active one.
  if (form.Visible && form.ShowMainForm) form.FormActivate();
}

void SimWindowSystem::Run(TApplication& application) {
  while (!application.MainForm->Terminated()) {
    if (++turns > maxTurns) throw std::runtime_error("the program did not end");
    if (turn)
      turn(application);
    else
      pc.Advance(1000);
  }
}

void SimWindowSystem::DestroyWindows(TApplication& application) {
  destroyed = true;
  if (!application.MainForm) return;
  formDestroyedBeforeWindows = application.MainForm->Destroyed();
  application.MainForm->Site = nullptr;
}

MainWindowTest::MainWindowTest() {
  pc.WriteFile(ExecutableFolder(pc.platform()) + "Languages.ini", ReadSourceFile("resources/Languages.ini"));
  texts.Open(pc.platform(), "English");
}

MainWindowTest::~MainWindowTest() { form.reset(); }

namespace {
const char* Bool(bool value) { return value ? "1" : "0"; }
}  // namespace

void MainWindowTest::WriteConfiguration(const TestPrefs& p,
                                        const std::vector<std::pair<std::string, std::string>>& drives) {
  std::string text = "[Preferences]\r\n";
  text += std::string("FirstTimeUsage=") + Bool(p.FirstTimeUsage) + "\r\n";
  text += std::string("MinimizeOnStartup=") + Bool(p.MinimizeOnStartup) + "\r\n";
  text += std::string("ConnectNetworkDrivesOnStartup=") + Bool(p.ConnectNetworkDrivesOnStartup) + "\r\n";
  text += std::string("StartAutomaticallyByWindows=0\r\n");
  text += std::string("RemoveAllNetworkDrivesOnExit=") + Bool(p.RemoveAllNetworkDrivesOnExit) + "\r\n";
  text += std::string("DismountVolumesOnExit=") + Bool(p.DismountVolumesOnExit) + "\r\n";
  text += std::string("DoubleClickIsExploreNetworkDrive=") + Bool(p.DoubleClickIsExploreNetworkDrive) + "\r\n";
  text += "TrueCryptProgramLocation=" + p.TrueCryptProgramLocation + "\r\n";
  if (!p.Language.empty()) text += "Language=" + p.Language + "\r\n";
  for (const auto& [drive, location] : drives)
    text += "[NetworkDrive_" + drive + "]\r\nDrive=" + drive + "\r\nNetworkLocation=" + location + "\r\n";
  pc.WriteFile(ConfigurationFileName(pc.platform()), text);
}

std::string MainWindowTest::ConfigurationText() { return pc.FileBytes(ConfigurationFileName(pc.platform())); }

TMainForm& MainWindowTest::Start() {
  form.reset();
  seen_ = 0;
  form = std::make_unique<TMainForm>(pc.platform(), help);
  form->Site = &site;
  form->FormCreate();
  return *form;
}

void MainWindowTest::Select(const std::string& drive) {
  for (size_t row = 0; row < form->Surfaces.DriveRows.size(); ++row) {
    if (form->Surfaces.DriveRows[row].Cells[0] == drive) {
      form->SelectDriveRow(static_cast<int>(row));
      return;
    }
  }
  throw std::runtime_error("no drive-list row for " + drive);
}

std::vector<std::string> MainWindowTest::NewMessages() {
  std::vector<std::string> fresh;
  const auto& rows = form->Surfaces.Messages;
  const uint64_t added = form->Surfaces.MessagesAdded;
  for (size_t i = static_cast<size_t>(std::min<uint64_t>(added - seen_, rows.size())); i-- > 0;)
    fresh.push_back(rows[i].Text);
  seen_ = added;
  return fresh;
}
