#pragma once
// A whole program on a simulated machine, as the tests drive it: the configuration with
// its drives, the English texts from the real Languages.ini, the surfaces and the engine.
#include <string>
#include <vector>

#include "data/Configuration.h"
#include "data/Languages.h"
#include "engine/Engine.h"
#include "engine/Surfaces.h"
#include "platform/WinTypes.h"
#include "platform/sim/SimMachine.h"

// The bytes of a file of the source tree (e.g. resources/Languages.ini).
std::string ReadSourceFile(const std::string& relativePath);

struct TestDrive {
  std::string Drive;             // "H:"
  std::string NetworkLocation;   // "\\nas\media"
  std::string Username = "";
  std::string Password = "";
  std::string NetworkName = "";
};

class TestApp {
 public:
  // Puts Languages.ini beside the simulated executable; nothing is read yet.
  explicit TestApp(SimMachine& pc);

  // Start-up's first work: preferences, language, drives, deployment drives.
  void Start();
  // Start() after putting these drives under control in memory (no file needed).
  void StartWith(const std::vector<TestDrive>& drives);
  TNetworkDriveItem& Drive(const std::string& drive);
  std::string T(int id) const { return language.Translate(id); }
  // Message texts, newest first.
  std::vector<std::string> MessageTexts() const;
  // Message texts added since the last call of this, oldest first (reads like a story).
  std::vector<std::string> NewMessages();

  SimMachine& pc;
  TLanguage language;
  TQbyConfiguration configuration;
  TSurfaces surfaces;
  TEngine engine;

 private:
  size_t seen_ = 0;
};
