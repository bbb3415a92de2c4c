#include "support/TestApp.h"

#include <algorithm>
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

std::vector<SimNetCall> CallsOf(const SimMachine& pc, const std::string& call, const std::string& drive) {
  std::vector<SimNetCall> found;
  for (const SimNetCall& c : pc.NetCalls)
    if (c.Call == call && (drive.empty() || c.LocalName == drive)) found.push_back(c);
  return found;
}

int CountCalls(const SimMachine& pc, const std::string& call, const std::string& drive) {
  return static_cast<int>(CallsOf(pc, call, drive).size());
}

void ThrowingNetwork::ThrowIf(const char* call, const char* letter) const {
  if (call_ != call || letter == nullptr || letter_ != letter) return;
  if (notAStdException_) throw 1359;  // ERROR_INTERNAL_ERROR, as a bare number
  throw std::runtime_error("provider crashed");
}
uint32_t ThrowingNetwork::AddConnection2(const NetResource& r, const char* p, const char* u, uint32_t f) {
  ThrowIf("AddConnection2", r.LocalName);
  return real_.AddConnection2(r, p, u, f);
}
uint32_t ThrowingNetwork::AddConnection(const char* remote, const char* p, const char* local) {
  ThrowIf("AddConnection", local);
  return real_.AddConnection(remote, p, local);
}
uint32_t ThrowingNetwork::CancelConnection2(const char* name, uint32_t flags, bool force) {
  ThrowIf("CancelConnection2", name);
  return real_.CancelConnection2(name, flags, force);
}
uint32_t ThrowingNetwork::GetUniversalName(const char* local, std::string& remote) {
  ThrowIf("GetUniversalName", local);
  return real_.GetUniversalName(local, remote);
}

Platform WithNetwork(const Platform& b, Network& network) {
  return Platform{network, b.drives, b.files, b.registry, b.shell, b.environment, b.clock, b.ui, b.protection};
}
Platform WithClock(const Platform& b, Clock& clock) {
  return Platform{b.network, b.drives, b.files, b.registry, b.shell, b.environment, clock, b.ui, b.protection};
}

TestApp::TestApp(SimMachine& machine)
    : pc(machine),
      configuration(machine.platform(), language),
      surfaces(machine.platform()),
      engine(machine.platform(), configuration, language, surfaces) {
  pc.WriteFile(ExecutableFolder(pc.platform()) + "Languages.ini", ReadSourceFile("resources/Languages.ini"));
}

void TestApp::Start() {
  ReadConfigurationAndTexts(configuration, language);
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

void TestApp::StartWithShares(const std::vector<TestDrive>& drives) {
  for (const TestDrive& wanted : drives) pc.AddShare(wanted.NetworkLocation);
  StartWith(drives);
}

void TestApp::Select(const std::string& drive) {
  engine.UpdateDriveStatus();
  for (size_t row = 0; row < surfaces.DriveRows.size(); ++row) {
    if (surfaces.DriveRows[row].Drive != nullptr && surfaces.DriveRows[row].Drive->Drive == drive) {
      surfaces.SelectedDriveRow = static_cast<int>(row);
      return;
    }
  }
  throw std::runtime_error("no drive-list row for " + drive);
}

int TestApp::ImageOf(const std::string& text) const {
  for (const TMessageRow& row : surfaces.Messages)
    if (row.Text == text) return row.ImageIndex;
  return -1;
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
  const uint64_t added = surfaces.MessagesAdded;
  for (size_t i = static_cast<size_t>(std::min<uint64_t>(added - seen_, rows.size())); i-- > 0;)
    fresh.push_back(rows[i].Text);
  seen_ = added;
  return fresh;
}
