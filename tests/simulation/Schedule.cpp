#include "simulation/Schedule.h"

#include <cmath>

namespace {

constexpr double kDayMs = 24.0 * 3600 * 1000;

// Faults that begin, and the event that ends each.
bool EndOf(TEventKind kind, TEventKind& end) {
  switch (kind) {
    case TEventKind::ShareOffline: end = TEventKind::ShareOnline; return true;
    case TEventKind::ServerOff: end = TEventKind::ServerOn; return true;
    case TEventKind::ServerSlow: end = TEventKind::ServerFast; return true;
    case TEventKind::DeviceArrives: end = TEventKind::DeviceRemoved; return true;
    case TEventKind::DiskFull: end = TEventKind::DiskFreed; return true;
    default: return false;
  }
}

constexpr TEventKind kRecurring[] = {
    TEventKind::ShareOffline,    TEventKind::ServerOff,       TEventKind::ServerSlow,   TEventKind::VolumeVanishes,
    TEventKind::MappedFromOutside, TEventKind::DeviceArrives, TEventKind::FilesOpened,  TEventKind::NetworkChange,
    TEventKind::Resume,          TEventKind::SessionReturn,   TEventKind::DiskFull,     TEventKind::ConnectAll,
    TEventKind::DisconnectAll,   TEventKind::ConnectSelected, TEventKind::DisconnectSelected, TEventKind::AddDrive,
    TEventKind::EditDrive,       TEventKind::RemoveDrive,     TEventKind::RemoveAllDrives, TEventKind::ChangePreferences,
    TEventKind::Import,          TEventKind::ShowOrHide,      TEventKind::Exit,         TEventKind::EndSession,
    TEventKind::Look};

}  // namespace

const char* EventName(TEventKind kind) {
  switch (kind) {
    case TEventKind::ShareOffline: return "ShareOffline";
    case TEventKind::ShareOnline: return "ShareOnline";
    case TEventKind::ServerOff: return "ServerOff";
    case TEventKind::ServerOn: return "ServerOn";
    case TEventKind::ServerSlow: return "ServerSlow";
    case TEventKind::ServerFast: return "ServerFast";
    case TEventKind::VolumeVanishes: return "VolumeVanishes";
    case TEventKind::MappedFromOutside: return "MappedFromOutside";
    case TEventKind::DeviceArrives: return "DeviceArrives";
    case TEventKind::DeviceRemoved: return "DeviceRemoved";
    case TEventKind::FilesOpened: return "FilesOpened";
    case TEventKind::NetworkChange: return "NetworkChange";
    case TEventKind::Resume: return "Resume";
    case TEventKind::SessionReturn: return "SessionReturn";
    case TEventKind::DiskFull: return "DiskFull";
    case TEventKind::DiskFreed: return "DiskFreed";
    case TEventKind::ConnectAll: return "ConnectAll";
    case TEventKind::DisconnectAll: return "DisconnectAll";
    case TEventKind::ConnectSelected: return "ConnectSelected";
    case TEventKind::DisconnectSelected: return "DisconnectSelected";
    case TEventKind::AddDrive: return "AddDrive";
    case TEventKind::EditDrive: return "EditDrive";
    case TEventKind::RemoveDrive: return "RemoveDrive";
    case TEventKind::RemoveAllDrives: return "RemoveAllDrives";
    case TEventKind::ChangePreferences: return "ChangePreferences";
    case TEventKind::Import: return "Import";
    case TEventKind::ShowOrHide: return "ShowOrHide";
    case TEventKind::Exit: return "Exit";
    case TEventKind::EndSession: return "EndSession";
    case TEventKind::Look: return "Look";
  }
  return "?";
}

bool IsFault(TEventKind kind) { return kind < TEventKind::ConnectAll; }

std::string TEvent::Text() const {
  return std::to_string(AtMs) + " ms " + EventName(Kind) + " #" + std::to_string(Pick);
}

TSchedule::TSchedule(uint64_t seed, const TScheduleRates& rates, int64_t startMs) : rates_(rates), random_(seed) {
  for (TEventKind kind : kRecurring) ScheduleNext(kind, startMs);
}

double TSchedule::RatePerDay(TEventKind kind) const {
  const TScheduleRates& r = rates_;
  double rate = 0;
  switch (kind) {
    case TEventKind::ShareOffline: rate = r.ShareOffline; break;
    case TEventKind::ServerOff: rate = r.ServerOff; break;
    case TEventKind::ServerSlow: rate = r.ServerSlow; break;
    case TEventKind::VolumeVanishes: rate = r.VolumeVanishes; break;
    case TEventKind::MappedFromOutside: rate = r.MappedFromOutside; break;
    case TEventKind::DeviceArrives: rate = r.DeviceArrives; break;
    case TEventKind::FilesOpened: rate = r.FilesOpened; break;
    case TEventKind::NetworkChange: rate = r.NetworkChange; break;
    case TEventKind::Resume: rate = r.Resume; break;
    case TEventKind::SessionReturn: rate = r.SessionReturn; break;
    case TEventKind::DiskFull: rate = r.DiskFull; break;
    case TEventKind::ConnectAll: rate = r.ConnectAll; break;
    case TEventKind::DisconnectAll: rate = r.DisconnectAll; break;
    case TEventKind::ConnectSelected: rate = r.ConnectSelected; break;
    case TEventKind::DisconnectSelected: rate = r.DisconnectSelected; break;
    case TEventKind::AddDrive: rate = r.AddDrive; break;
    case TEventKind::EditDrive: rate = r.EditDrive; break;
    case TEventKind::RemoveDrive: rate = r.RemoveDrive; break;
    case TEventKind::RemoveAllDrives: rate = r.RemoveAllDrives; break;
    case TEventKind::ChangePreferences: rate = r.ChangePreferences; break;
    case TEventKind::Import: rate = r.Import; break;
    case TEventKind::ShowOrHide: rate = r.ShowOrHide; break;
    case TEventKind::Exit: rate = r.Exit; break;
    case TEventKind::EndSession: rate = r.EndSession; break;
    case TEventKind::Look: return kDayMs / static_cast<double>(r.LookEveryMs);  // not scaled
    default: return 0;
  }
  return rate * r.Intensity;
}

int64_t TSchedule::Exponential(double meanMs) {
  std::exponential_distribution<double> wait(1.0 / meanMs);
  return 1 + static_cast<int64_t>(wait(random_));
}

uint32_t TSchedule::Draw(uint32_t n) {
  return n == 0 ? 0 : static_cast<uint32_t>(random_() % n);
}

void TSchedule::Push(int64_t atMs, TEventKind kind, uint32_t pick) {
  Queued event;
  event.AtMs = atMs;
  event.Kind = kind;
  event.Pick = pick;
  event.Order = order_++;
  queue_.push(event);
}

void TSchedule::ScheduleNext(TEventKind kind, int64_t afterMs) {
  const double rate = RatePerDay(kind);
  if (rate <= 0) return;
  const int64_t at = kind == TEventKind::Look ? afterMs + rates_.LookEveryMs : afterMs + Exponential(kDayMs / rate);
  Push(at, kind, static_cast<uint32_t>(random_()));
}

void TSchedule::Ended(const TEvent& event) {
  TEventKind end;
  if (EndOf(event.Kind, end)) Push(event.AtMs + Exponential(rates_.FaultMinutes * 60000), end, event.Pick);
  // Recurring kinds draw their next moment; the ends of faults do not recur by themselves.
  for (TEventKind kind : kRecurring)
    if (kind == event.Kind) ScheduleNext(kind, event.AtMs);
}

TEvent TSchedule::Next() {
  Queued event = queue_.top();
  queue_.pop();
  Ended(event);
  return event;
}

bool TSchedule::NextFaultDue(int64_t atMs, TEvent& event) {
  // Takes the earliest event if it is a due fault; other events wait their turn, so the
  // order of the whole run stays that of the schedule.
  if (queue_.empty() || queue_.top().AtMs > atMs || !IsFault(queue_.top().Kind)) return false;
  event = Next();
  return true;
}
