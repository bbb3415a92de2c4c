#include "platform/win32/Win32Network.h"

#include <vector>

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WindowsApi.h"

namespace {
// The WNet functions take non-const strings but do not write to them.
char* Writable(const char* text) { return const_cast<char*>(text); }

// The network library is loaded when the first drive is connected rather than at start,
// where its providers would delay the notification-area icon.
struct MprFunctions {
  decltype(&WNetAddConnection2A) AddConnection2 = nullptr;
  decltype(&WNetAddConnectionA) AddConnection = nullptr;
  decltype(&WNetCancelConnection2A) CancelConnection2 = nullptr;
  decltype(&WNetGetUniversalNameA) GetUniversalName = nullptr;
};

const MprFunctions& Mpr() {
  static const MprFunctions functions = [] {
    MprFunctions found;
    HMODULE mpr = LoadSystemLibrary("mpr.dll");
    found.AddConnection2 = FindFunction<decltype(&WNetAddConnection2A)>(mpr, "WNetAddConnection2A");
    found.AddConnection = FindFunction<decltype(&WNetAddConnectionA)>(mpr, "WNetAddConnectionA");
    found.CancelConnection2 = FindFunction<decltype(&WNetCancelConnection2A)>(mpr, "WNetCancelConnection2A");
    found.GetUniversalName = FindFunction<decltype(&WNetGetUniversalNameA)>(mpr, "WNetGetUniversalNameA");
    return found;
  }();
  return functions;
}

// What a machine without the network library answers: the network is not there.
constexpr uint32_t kNoNetwork = ERROR_NO_NETWORK;
}  // namespace

uint32_t Win32Network::AddConnection2(const NetResource& resource, const char* password,
                                      const char* userName, uint32_t flags) {
  NETRESOURCEA netResource = {};
  netResource.dwScope = resource.Scope;
  netResource.dwType = resource.Type;
  netResource.dwDisplayType = resource.DisplayType;
  netResource.dwUsage = resource.Usage;
  netResource.lpLocalName = Writable(resource.LocalName);
  netResource.lpRemoteName = Writable(resource.RemoteName);
  netResource.lpComment = Writable(resource.Comment);
  netResource.lpProvider = Writable(resource.Provider);
  if (Mpr().AddConnection2 == nullptr) return kNoNetwork;
  return Mpr().AddConnection2(&netResource, password, userName, flags);
}

uint32_t Win32Network::AddConnection(const char* remoteName, const char* password, const char* localName) {
  if (Mpr().AddConnection == nullptr) return kNoNetwork;
  return Mpr().AddConnection(remoteName, password, localName);
}

uint32_t Win32Network::CancelConnection2(const char* name, uint32_t flags, bool force) {
  if (Mpr().CancelConnection2 == nullptr) return kNoNetwork;
  return Mpr().CancelConnection2(name, flags, force ? TRUE : FALSE);
}

uint32_t Win32Network::GetUniversalName(const char* localPath, std::string& universalName) {
  if (Mpr().GetUniversalName == nullptr) return kNoNetwork;
  return ReadUniversalName(Mpr().GetUniversalName, localPath, universalName);
}

uint32_t ReadUniversalName(UniversalNameCall call, const char* localPath, std::string& universalName) {
  // The answer is a UNIVERSAL_NAME_INFOA followed by the text it points to. A long one
  // answers "more data" with the size it needs; that is not "not mapped".
  std::vector<UNIVERSAL_NAME_INFOA> buffer(1024 / sizeof(UNIVERSAL_NAME_INFOA));
  for (int attempt = 0;; ++attempt) {
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(UNIVERSAL_NAME_INFOA));
    const DWORD result = call(localPath, UNIVERSAL_NAME_INFO_LEVEL, buffer.data(), &size);
    // The mapping may change between two calls, so the size is asked again, a few times.
    if (result == ERROR_MORE_DATA && attempt < 3 && size > buffer.size() * sizeof(UNIVERSAL_NAME_INFOA)) {
      buffer.resize(size / sizeof(UNIVERSAL_NAME_INFOA) + 1);
      continue;
    }
    if (result == NO_ERROR) universalName = buffer[0].lpUniversalName ? buffer[0].lpUniversalName : "";
    return result;
  }
}
