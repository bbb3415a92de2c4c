#include "platform/sim/SimNetwork.h"

#include <cstddef>

#include "platform/WinTypes.h"
#include "base/AsciiText.h"
#include "platform/sim/SimText.h"

namespace {
std::string Text(const char* text) { return text == nullptr ? std::string() : std::string(text); }

// The letter of a local name that is exactly "X:", else -1.
int LetterOf(const std::string& localName) {
  return localName.size() == 2 ? SimDriveIndex(localName.c_str()) : -1;
}
}  // namespace

template <class Work>
uint32_t SimNetwork::Finish(SimNetCall&& call, int letterIndex, const Work& work) {
  call.AtMs = clock_.NowMs();
  // A blocking call: the caller's thread is held for the delay, without the state; a call
  // without one does its work under the same hold of the state.
  std::unique_lock<std::mutex> lock(state_.Guard);
  uint32_t delay = state_.DelayMs;
  const SimShare* share = ShareOfCall(call, letterIndex);
  if (share != nullptr) delay += share->DelayMs;
  if (delay > 0) {
    lock.unlock();
    if (delayWait_)
      delayWait_(delay);
    else
      clock_.Sleep(delay);
    lock.lock();
  }
  uint32_t code = 0;
  call.Result = faults_.Take(call.Call, letterIndex, code) ? code : work(call);
  const uint32_t result = call.Result;
  if (journalLimit_ > 0 && calls_.size() >= journalLimit_)
    calls_.erase(calls_.begin(), calls_.begin() + static_cast<std::ptrdiff_t>(journalLimit_ / 2));
  calls_.push_back(std::move(call));
  return result;
}

uint32_t SimNetwork::AddConnection2(const NetResource& resource, const char* password,
                                    const char* userName, uint32_t flags) {
  SimNetCall call;
  call.Call = "AddConnection2";
  call.LocalName = Text(resource.LocalName);
  call.RemoteName = Text(resource.RemoteName);
  call.UserNameGiven = userName != nullptr;
  call.UserName = Text(userName);
  call.PasswordGiven = password != nullptr;
  call.Password = Text(password);
  call.Flags = flags;
  call.ResourceType = resource.Type;
  call.ProviderGiven = resource.Provider != nullptr;
  const int index = LetterOf(call.LocalName);
  return Finish(std::move(call), index, [this](SimNetCall& made) { return Connect(made); });
}

uint32_t SimNetwork::AddConnection(const char* remoteName, const char* password, const char* localName) {
  SimNetCall call;
  call.Call = "AddConnection";
  call.LocalName = Text(localName);
  call.RemoteName = Text(remoteName);
  call.PasswordGiven = password != nullptr;
  call.Password = Text(password);
  const int index = LetterOf(call.LocalName);
  return Finish(std::move(call), index, [this](SimNetCall& made) { return Connect(made); });
}

uint32_t SimNetwork::CancelConnection2(const char* name, uint32_t flags, bool force) {
  SimNetCall call;
  call.Call = "CancelConnection2";
  call.LocalName = Text(name);
  call.Flags = flags;
  call.Force = force;
  const int index = LetterOf(call.LocalName);
  return Finish(std::move(call), index, [this](SimNetCall& made) { return Cancel(made); });
}

uint32_t SimNetwork::GetUniversalName(const char* localPath, std::string& universalName) {
  SimNetCall call;
  call.Call = "GetUniversalName";
  call.LocalName = Text(localPath);
  int index = SimDriveIndex(localPath);
  return Finish(std::move(call), index, [&](SimNetCall& made) {
    if (index < 0 || !state_.Letters[index].Mapped) return win::ERROR_NOT_CONNECTED;
    // A mapping whose server is away still has its remote name.
    universalName.assign(state_.Letters[index].Remote).append(made.LocalName, 2);
    made.RemoteName = universalName;
    return win::NO_ERROR;
  });
}

uint32_t SimNetwork::Connect(const SimNetCall& call) {
  int index = LetterOf(call.LocalName);
  if (!call.LocalName.empty() && index < 0) return win::ERROR_BAD_DEVICE;
  if (index >= 0 && state_.Letters[index].Taken()) return win::ERROR_ALREADY_ASSIGNED;

  std::string server, shareName;
  if (!SimSplitUnc(call.RemoteName, server, shareName)) return win::ERROR_BAD_NET_NAME;
  SimShare* share = state_.ShareOf(call.RemoteName);
  if (share == nullptr && state_.UnknownShareCode != 0) return state_.UnknownShareCode;
  if (!state_.ServerKnown(server) || !state_.ServerReachable(server)) return win::ERROR_BAD_NETPATH;
  if (share == nullptr) return win::ERROR_BAD_NET_NAME;
  if (!share->Online) return win::ERROR_NETWORK_UNREACHABLE;

  std::string session = state_.SessionUser(server);
  bool explicitUser = call.UserNameGiven && !call.UserName.empty();
  if (explicitUser && !session.empty() && !SameTextAscii(session, call.UserName))
    return win::ERROR_SESSION_CREDENTIAL_CONFLICT;
  std::string user = explicitUser ? call.UserName : !session.empty() ? session : state_.LoggedOnUser;
  if (uint32_t code = CheckCredentials(*share, call, user); code != win::NO_ERROR) return code;

  if (index >= 0) {
    SimLetter& letter = state_.Letters[index];
    letter.Mapped = true;
    // Windows keeps no trailing backslash: "\\nas\media\" is reported as "\\nas\media".
    letter.Remote = SimTrimBackslashes(call.RemoteName);
    letter.User = user;
  }
  return win::NO_ERROR;
}

uint32_t SimNetwork::CheckCredentials(const SimShare& share, const SimNetCall& call,
                                      const std::string& user) const {
  if (share.RequiredUser.empty()) return win::NO_ERROR;
  if (!SameTextAscii(user, share.RequiredUser)) return win::ERROR_LOGON_FAILURE;
  if (call.PasswordGiven) return call.Password == share.RequiredPassword ? win::NO_ERROR : win::ERROR_LOGON_FAILURE;
  // No password: the logged-on user's own logon credentials.
  return SameTextAscii(user, state_.LoggedOnUser) ? win::NO_ERROR : win::ERROR_LOGON_FAILURE;
}

uint32_t SimNetwork::Cancel(const SimNetCall& call) {
  int index = LetterOf(call.LocalName);
  if (index < 0) return win::ERROR_NOT_CONNECTED;  // connections without a letter are not simulated
  SimLetter& letter = state_.Letters[index];
  if (letter.StaleRemote) {
    letter.StaleRemote = false;
    return win::NO_ERROR;
  }
  if (!letter.Mapped) return win::ERROR_NOT_CONNECTED;
  const SimShare* share = state_.ShareOf(letter.Remote);
  bool openFiles = letter.OpenFiles || (share != nullptr && share->OpenFiles);
  if (openFiles && !call.Force) return win::ERROR_OPEN_FILES;
  if (letter.DeviceInUse && !call.Force) return win::ERROR_DEVICE_IN_USE;
  state_.DropMapping(index);
  return win::NO_ERROR;
}

const SimShare* SimNetwork::ShareOfCall(const SimNetCall& call, int letterIndex) {
  if (!call.RemoteName.empty()) return state_.ShareOf(call.RemoteName);
  if (letterIndex >= 0 && state_.Letters[letterIndex].Mapped) return state_.ShareOf(state_.Letters[letterIndex].Remote);
  return nullptr;
}
