#pragma once
// What a user relies on, checked after every step of a seeded run. Each check returns
// "" when it holds, or what is wrong; the runner names the invariant that broke.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

class SimMachine;
class TMainForm;
class TNetworkDriveItems;

// A drive as the user configured it.
struct TDriveConfig {
  std::string Drive, Location, Name, User, Password;
  std::vector<std::string> Programs, Volumes;
  bool operator==(const TDriveConfig&) const = default;
};
std::vector<TDriveConfig> ConfigOf(const TNetworkDriveItems& drives);
std::string Describe(const std::vector<TDriveConfig>& drives);

// What the user has done and seen, kept by the runner as the run goes.
struct TUserView {
  // Drives the user disconnected and has not asked to connect since ("H:"), each with
  // the first network call of the step made after the user disconnected it.
  std::map<std::string, size_t> DisconnectedByUser;
  // Since when each drive could have connected without interruption (simulated ms).
  std::map<std::string, int64_t> ConnectableSince;
  // Starts of each program or volume since the program started or the drive came under
  // control; and starts made while the drive was not connected to its location.
  std::map<std::string, int> Starts;
  std::vector<std::string> StartsOffTheDrive;
  // The drives in the file after the last save that succeeded, and whether they were
  // disconnected then.
  std::vector<TDriveConfig> LastSaved;
  std::set<std::string> SavedDisconnected;
  // Letters held by local devices at the save or at the program's start: their sections
  // stay in the file unread, so they are left out of the comparisons.
  std::set<std::string> UnreadAtSave;
  bool Saved = false;
  // When the balloon now up was shown.
  int BalloonShownCount = 0;
  int64_t BalloonShownAtMs = 0;
  int ReplaceCountBefore = 0;
  // The configuration file when the step began, and whether writes failed in the step.
  std::string FileBefore;
  bool WritesFailed = false;
};

// A named invariant that broke.
struct TBroken {
  std::string Invariant;
  std::string What;
  bool Holds() const { return Invariant.empty(); }
};

class TInvariants {
 public:
  explicit TInvariants(SimMachine& pc) : pc_(pc) {}

  // After each step while the program runs (no run or dialog in progress).
  TBroken AfterStep(TMainForm& form, TUserView& view);
  // Right after a start: nothing the user saved was lost.
  TBroken AfterStart(TMainForm& form, TUserView& view);
  // After the shutdown sequence, before the records go: what it saved.
  TBroken AfterShutdown(TMainForm& form, TUserView& view);
  // After the program has ended: nothing it owned outlives it.
  TBroken AfterEnd(int exitCode, TUserView& view);
  // Whether the drive could connect now (its share there, the letter not held by a local
  // device, credentials that the server takes).
  bool Connectable(const TMainForm& form, const std::string& drive) const;

  std::set<std::string> ServersOff;  // lower-case server names taken off the network

 private:
  SimMachine& pc_;
};
