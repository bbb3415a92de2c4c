#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/RunPrograms.h"
#include "data/TrueCryptVolumes.h"

enum TDriveState : uint8_t { dsConnected = 0, dsDisconnected = 1, dsUnknown = 2, dsError = 3 };

class TNetworkDriveItems;

// One drive letter: whether the program controls it, where it should point, its
// credentials and state, and what to start once it has connected.
class TNetworkDriveItem {
 public:
  explicit TNetworkDriveItem(TNetworkDriveItems* collection);
  virtual ~TNetworkDriveItem() = default;
  TNetworkDriveItem(const TNetworkDriveItem&) = delete;
  TNetworkDriveItem& operator=(const TNetworkDriveItem&) = delete;

  // Back to a letter that is not under control; Drive and DriveNumber stay.
  void Reset();
  // Deep copy; a null source changes nothing.
  virtual void Assign(const TNetworkDriveItem* source);
  // Copies what the user configures (location, name, credentials, control, deployment
  // origin, programs and volumes) and leaves what the engine maintains (state, real
  // location, free space, the once-only flags) as it is.
  void AssignConfiguration(const TNetworkDriveItem& source);
  TNetworkDriveItems* Collection() const { return collection_; }

  std::string Drive;
  int32_t DriveNumber = 0;
  std::string NetworkLocation;
  std::string NetworkName;
  std::string Username;
  std::string Password;
  // The stored form of a password this account cannot read (sealed by another account or
  // on another machine): written back as it stands while Password stays empty.
  std::string UnreadablePassword;
  std::string RealLocation;
  bool QbyControl = false;
  bool DeploymentDrive = false;
  TDriveState State = dsUnknown;
  std::vector<std::unique_ptr<TTrueCryptVolumeItem>> TrueCryptVolumesList;
  std::vector<std::unique_ptr<TRunProgramItem>> RunProgramsList;
  bool VolumesHaveBeenMounted = false;
  bool ProgramsHaveBeenRunned = false;
  int32_t FreeSpace = -1;

 private:
  TNetworkDriveItems* collection_;
};

// The drive records in letter order; owns them.
class TNetworkDriveItems {
 public:
  TNetworkDriveItems() = default;
  TNetworkDriveItems(const TNetworkDriveItems&) = delete;
  TNetworkDriveItems& operator=(const TNetworkDriveItems&) = delete;

  TNetworkDriveItem* Add();
  TNetworkDriveItem* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }
  // Exact, case-sensitive match of Drive; null when none.
  TNetworkDriveItem* FindDrive(const std::string& drive) const;
  // Copies every record of the source. When the source holds the same letters in the same
  // order the records are updated in place, so references to them stay valid.
  void Assign(const TNetworkDriveItems& source);
  // AssignConfiguration record for record, in place, for records of the same letter;
  // records of other letters are copied whole.
  void AssignConfiguration(const TNetworkDriveItems& source);

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  bool SameLetters(const TNetworkDriveItems& other) const;
  std::vector<std::unique_ptr<TNetworkDriveItem>> items_;
};
