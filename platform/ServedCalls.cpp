#include "platform/ServedCalls.h"

#include <functional>
#include <memory>
#include <optional>

#include "platform/WinTypes.h"

namespace {

// A null text stays null: for the network calls null and "" differ.
std::optional<std::string> Copy(const char* text) {
  return text == nullptr ? std::nullopt : std::optional<std::string>(text);
}
const char* Pass(const std::optional<std::string>& text) { return text ? text->c_str() : nullptr; }

// Runs call, which writes its answer into *answer, and gives that answer, or `left` when
// the call was left behind.
template <class T, class Call>
T Served(UserInterface& ui, Call call, T left) {
  auto answer = std::make_shared<T>(left);
  if (!ui.RunServingMessages([answer, call]() mutable { *answer = call(); })) return left;
  return *answer;
}

// Runs call where the caller's arguments are, for a UserInterface that runs calls in
// place: the wrapper refers to call, so nothing is copied or allocated.
template <class T, class Call>
T InPlace(UserInterface& ui, const Call& call, T left) {
  T answer = left;
  auto run = [&answer, &call] { answer = call(); };
  return ui.RunServingMessages(std::ref(run)) ? answer : left;
}

}  // namespace

uint32_t ServedNetwork::AddConnection2(const NetResource& resource, const char* password,
                                       const char* userName, uint32_t flags) {
  if (ui_.RunsCallsInPlace())
    return InPlace<uint32_t>(
        ui_, [&] { return network_.AddConnection2(resource, password, userName, flags); }, win::ERROR_CANCELLED);
  Network& network = network_;
  return Served<uint32_t>(
      ui_,
      [&network, resource, local = Copy(resource.LocalName), remote = Copy(resource.RemoteName),
       comment = Copy(resource.Comment), provider = Copy(resource.Provider), password = Copy(password),
       userName = Copy(userName), flags] {
        NetResource copy = resource;
        copy.LocalName = Pass(local);
        copy.RemoteName = Pass(remote);
        copy.Comment = Pass(comment);
        copy.Provider = Pass(provider);
        return network.AddConnection2(copy, Pass(password), Pass(userName), flags);
      },
      win::ERROR_CANCELLED);
}

uint32_t ServedNetwork::AddConnection(const char* remoteName, const char* password, const char* localName) {
  if (ui_.RunsCallsInPlace())
    return InPlace<uint32_t>(
        ui_, [&] { return network_.AddConnection(remoteName, password, localName); }, win::ERROR_CANCELLED);
  Network& network = network_;
  return Served<uint32_t>(
      ui_,
      [&network, remote = Copy(remoteName), password = Copy(password), local = Copy(localName)] {
        return network.AddConnection(Pass(remote), Pass(password), Pass(local));
      },
      win::ERROR_CANCELLED);
}

uint32_t ServedNetwork::CancelConnection2(const char* name, uint32_t flags, bool force) {
  if (ui_.RunsCallsInPlace())
    return InPlace<uint32_t>(
        ui_, [&] { return network_.CancelConnection2(name, flags, force); }, win::ERROR_CANCELLED);
  Network& network = network_;
  return Served<uint32_t>(
      ui_, [&network, name = Copy(name), flags, force] { return network.CancelConnection2(Pass(name), flags, force); },
      win::ERROR_CANCELLED);
}

uint32_t ServedNetwork::GetUniversalName(const char* localPath, std::string& universalName) {
  struct Answer {
    uint32_t Code;
    std::string Name;
  };
  if (ui_.RunsCallsInPlace()) {
    // Into a name of its own: a call whose answer is dropped leaves universalName as it was.
    std::string name;
    const uint32_t code = InPlace<uint32_t>(
        ui_, [&] { return network_.GetUniversalName(localPath, name); }, win::ERROR_CANCELLED);
    if (code == win::NO_ERROR) universalName = std::move(name);
    return code;
  }
  Network& network = network_;
  const Answer answer = Served<Answer>(
      ui_,
      [&network, path = Copy(localPath)] {
        Answer made{0, {}};
        made.Code = network.GetUniversalName(Pass(path), made.Name);
        return made;
      },
      Answer{win::ERROR_CANCELLED, {}});
  if (answer.Code == win::NO_ERROR) universalName = answer.Name;
  return answer.Code;
}

uint32_t ServedDrives::GetDriveType(const char* rootPath) {
  if (ui_.RunsCallsInPlace())
    return InPlace<uint32_t>(ui_, [&] { return drives_.GetDriveType(rootPath); }, win::DRIVE_UNKNOWN);
  Drives& drives = drives_;
  return Served<uint32_t>(
      ui_, [&drives, root = Copy(rootPath)] { return drives.GetDriveType(Pass(root)); }, win::DRIVE_UNKNOWN);
}

bool ServedDrives::GetDiskFreeSpaceEx(const char* rootPath, uint64_t& freeBytesAvailableToCaller,
                                      uint64_t& totalBytes) {
  struct Answer {
    bool Known;
    uint64_t Free;
    uint64_t Total;
  };
  if (ui_.RunsCallsInPlace()) {
    uint64_t free = 0, total = 0;
    if (!InPlace<bool>(ui_, [&] { return drives_.GetDiskFreeSpaceEx(rootPath, free, total); }, false)) return false;
    freeBytesAvailableToCaller = free;
    totalBytes = total;
    return true;
  }
  Drives& drives = drives_;
  const Answer answer = Served<Answer>(
      ui_,
      [&drives, root = Copy(rootPath)] {
        Answer made{false, 0, 0};
        made.Known = drives.GetDiskFreeSpaceEx(Pass(root), made.Free, made.Total);
        return made;
      },
      Answer{false, 0, 0});
  if (!answer.Known) return false;
  freeBytesAvailableToCaller = answer.Free;
  totalBytes = answer.Total;
  return true;
}

uint32_t ServedDrives::GetFileAttributes(const char* path) {
  if (ui_.RunsCallsInPlace())
    return InPlace<uint32_t>(ui_, [&] { return drives_.GetFileAttributes(path); }, win::INVALID_FILE_ATTRIBUTES);
  Drives& drives = drives_;
  return Served<uint32_t>(
      ui_, [&drives, path = Copy(path)] { return drives.GetFileAttributes(Pass(path)); },
      win::INVALID_FILE_ATTRIBUTES);
}
