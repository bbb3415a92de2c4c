#include "support/TestApp.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

std::string ReadSourceFile(const std::string& relativePath) {
  std::ifstream in(std::string(QUILLBAY_SOURCE_DIR) + "/" + relativePath, std::ios::binary);
  if (!in) throw std::runtime_error("missing source file " + relativePath);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TestApp::TestApp(SimMachine& machine)
    : pc(machine),
      configuration(machine.platform(), language),
      surfaces(machine.platform()),
      engine(machine.platform(), configuration, language, surfaces) {
  pc.WriteFile(ExecutableFolder(pc.platform()) + "Languages.ini", ReadSourceFile("resources/Languages.ini"));
}

void TestApp::Start() {
  configuration.Open();
  configuration.ReadPreferences();
  language.Open(pc.platform(), configuration.Prefs.Language);
  configuration.ReadNetworkDrives();
  configuration.ReadDeploymentDrives();
  engine.SyncThreadValues();
}

void TestApp::StartWith(const std::vector<TestDrive>& drives) {
  Start();
  for (const TestDrive& wanted : drives) {
    TNetworkDriveItem* item = configuration.NetworkDrives.FindDrive(wanted.Drive);
    if (item == nullptr) throw std::runtime_error("no record for " + wanted.Drive);
    item->NetworkLocation = wanted.NetworkLocation;
    item->Username = wanted.Username;
    item->Password = wanted.Password;
    item->NetworkName = wanted.NetworkName;
    item->QbyControl = true;
  }
}

TNetworkDriveItem& TestApp::Drive(const std::string& drive) {
  TNetworkDriveItem* item = configuration.NetworkDrives.FindDrive(drive);
  if (item == nullptr) throw std::runtime_error("no record for " + drive);
  return *item;
}

std::vector<std::string> TestApp::MessageTexts() const {
  std::vector<std::string> texts;
  for (const TMessageRow& row : surfaces.Messages) texts.push_back(row.Text);
  return texts;
}

std::vector<std::string> TestApp::NewMessages() {
  std::vector<std::string> fresh;
  const auto& rows = surfaces.Messages;
  for (size_t i = rows.size() - seen_; i-- > 0;) fresh.push_back(rows[i].Text);
  seen_ = rows.size();
  return fresh;
}
