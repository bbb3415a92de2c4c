#pragma once
// What happens to a laptop and its user, drawn from a seed: faults of the network and the
// machine, and the user's own actions, each at its simulated moment. The same seed and
// rates always give the same events in the same order.
#include <cstdint>
#include <queue>
#include <random>
#include <string>
#include <vector>

enum class TEventKind {
  // The network and the machine.
  ShareOffline, ShareOnline, ServerOff, ServerOn, ServerSlow, ServerFast, VolumeVanishes, MappedFromOutside,
  DeviceArrives, DeviceRemoved, FilesOpened, NetworkChange, Resume, SessionReturn, DiskFull, DiskFreed,
  // The user.
  ConnectAll, DisconnectAll, ConnectSelected, DisconnectSelected, AddDrive, EditDrive, RemoveDrive,
  RemoveAllDrives, ChangePreferences, Import, ShowOrHide, Exit, EndSession,
  // Nothing happens; the invariants are looked at.
  Look,
};

const char* EventName(TEventKind kind);
// Faults may also come while a run or a dialog of the user's is in progress.
bool IsFault(TEventKind kind);

struct TEvent {
  int64_t AtMs = 0;
  TEventKind Kind = TEventKind::Look;
  uint32_t Pick = 0;  // chooses the share, letter or variant the event acts on
  std::string Text() const;
};

// How often each thing happens, per simulated day, and how long faults last. The
// defaults look like a month on a laptop that sleeps at night and roams between networks.
struct TScheduleRates {
  double ShareOffline = 4, ServerOff = 1, ServerSlow = 1, VolumeVanishes = 2, MappedFromOutside = 0.5,
         DeviceArrives = 0.5, FilesOpened = 1, NetworkChange = 4, Resume = 1, SessionReturn = 2, DiskFull = 0.3;
  double ConnectAll = 0.5, DisconnectAll = 0.2, ConnectSelected = 0.7, DisconnectSelected = 0.7, AddDrive = 0.3,
         EditDrive = 0.7, RemoveDrive = 0.15, RemoveAllDrives = 0.03, ChangePreferences = 0.3, Import = 0.1,
         ShowOrHide = 2, Exit = 0.3, EndSession = 0.7;
  double FaultMinutes = 40;  // mean length of an outage, a slow spell, a full disk, a device
  int64_t LookEveryMs = 5 * 60 * 1000;
  // Every rate times this factor (a busier or a quieter machine).
  double Intensity = 1;
};

class TSchedule {
 public:
  TSchedule(uint64_t seed, const TScheduleRates& rates, int64_t startMs);
  // The next event in time order.
  TEvent Next();
  // The next event's moment, without taking it.
  int64_t PeekMs() const { return queue_.top().AtMs; }
  // Fault events only, due by atMs, in order (for what happens during a run or a dialog).
  bool NextFaultDue(int64_t atMs, TEvent& event);
  // A number in [0, n) for choices made while an event is carried out.
  uint32_t Draw(uint32_t n);

 private:
  struct Queued : TEvent {
    uint64_t Order = 0;
    bool operator>(const Queued& other) const {
      return AtMs != other.AtMs ? AtMs > other.AtMs : Order > other.Order;
    }
  };
  void Push(int64_t atMs, TEventKind kind, uint32_t pick);
  void ScheduleNext(TEventKind kind, int64_t afterMs);
  double RatePerDay(TEventKind kind) const;
  int64_t Exponential(double meanMs);
  void Ended(const TEvent& event);

  TScheduleRates rates_;
  std::mt19937_64 random_;
  std::priority_queue<Queued, std::vector<Queued>, std::greater<Queued>> queue_;
  uint64_t order_ = 0;
};
