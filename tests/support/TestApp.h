#pragma once
// A whole program on a simulated machine, as the tests drive it: the configuration with
// its drives, the English texts from the real Languages.ini, the surfaces and the engine.
#include <cstdint>
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

// Shares the tests map; all on one server, "nas".
inline const std::string kMedia = R"(\\nas\media)";
inline const std::string kOffice = R"(\\nas\office)";
inline const std::string kPhotos = R"(\\nas\photos)";
inline const std::string kMusic = R"(\\nas\music)";
inline const std::string kBackup = R"(\\nas\backup)";

// The network calls of one kind, optionally only those for one letter ("H:").
std::vector<SimNetCall> CallsOf(const SimMachine& pc, const std::string& call, const std::string& drive = "");
int CountCalls(const SimMachine& pc, const std::string& call, const std::string& drive);

// The machine's network, except that one call for one letter fails unexpectedly: with
// a std::exception, or with something else, as a network provider's own code may throw.
class ThrowingNetwork : public Network {
 public:
  ThrowingNetwork(Network& real, std::string call, std::string letter, bool notAStdException = false)
      : real_(real), call_(std::move(call)), letter_(std::move(letter)), notAStdException_(notAStdException) {}
  uint32_t AddConnection2(const NetResource& r, const char* p, const char* u, uint32_t f) override;
  uint32_t AddConnection(const char* remote, const char* p, const char* local) override;
  uint32_t CancelConnection2(const char* name, uint32_t flags, bool force) override;
  uint32_t GetUniversalName(const char* local, std::string& remote) override;

 private:
  void ThrowIf(const char* call, const char* letter) const;
  Network& real_;
  std::string call_, letter_;
  bool notAStdException_;
};

// The platform with one service replaced.
Platform WithNetwork(const Platform& base, Network& network);
Platform WithClock(const Platform& base, Clock& clock);

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
  // StartWith() on a machine that has a share for every drive's location.
  void StartWithShares(const std::vector<TestDrive>& drives);
  TNetworkDriveItem& Drive(const std::string& drive);
  // Surveys, then selects the drive-list row of the drive, as a click would.
  void Select(const std::string& drive);
  // The picture of the message with this text, or -1.
  int ImageOf(const std::string& text) const;
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
  uint64_t seen_ = 0;  // MessagesAdded when last asked
};

// A fresh machine with the program on it; tests derive their fixtures from it.
struct TestMachine {
  SimMachine pc;
  TestApp app{pc};
};
