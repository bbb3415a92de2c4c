#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/UserInterface.h"
#include "platform/sim/SimulatedNetwork.h"

// Keeps the simulated network in step with its file: read at start, then every edit is
// applied within about a second. A missing or damaged file never stops the program: at
// start it gives an empty network, later the network stays as it was, and either way
// one line says so.
class SimNetworkWatcher {
 public:
  // kind as the message list has it: 0 information, 1 warning.
  using Report = std::function<void(int kind, const std::string& text)>;
  static constexpr uint32_t PollMs = 500;

  // environment: to show the file's name in the lines.
  SimNetworkWatcher(SimulatedNetwork& network, Files& files, UserInterface& ui, Environment& environment,
                    std::string path);
  ~SimNetworkWatcher();
  SimNetworkWatcher(const SimNetworkWatcher&) = delete;
  SimNetworkWatcher& operator=(const SimNetworkWatcher&) = delete;

  // Reads the file, builds the network and starts watching (main thread).
  void Start();
  // Where the lines go; lines written before there was one are delivered now.
  void SetReporter(Report report);

 private:
  void Poll();
  // False, with the line saying why and what follows, when the file cannot be used.
  bool Parse(ReadFileResult result, const std::string& bytes, const std::string& consequence, SimNetworkFile& file);
  void Say(int kind, const std::string& text);

  SimulatedNetwork& network_;
  Files& files_;
  UserInterface& ui_;
  std::string path_;
  std::string shownPath_;
  uint32_t timer_ = 0;
  bool built_ = false;
  bool inOrder_ = false;        // the last reading was good
  ReadFileResult lastResult_ = ReadFileResult::NotFound;
  std::string lastBytes_;
  Report report_;
  std::vector<std::pair<int, std::string>> waiting_;
};
