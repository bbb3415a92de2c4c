#include "platform/win32/Win32Network.h"

#include "platform/win32/WindowsApi.h"

namespace {
// The WNet functions take non-const strings but do not write to them.
char* Writable(const char* text) { return const_cast<char*>(text); }
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
  return WNetAddConnection2A(&netResource, password, userName, flags);
}

uint32_t Win32Network::AddConnection(const char* remoteName, const char* password, const char* localName) {
  return WNetAddConnectionA(remoteName, password, localName);
}

uint32_t Win32Network::CancelConnection2(const char* name, uint32_t flags, bool force) {
  return WNetCancelConnection2A(name, flags, force ? TRUE : FALSE);
}

uint32_t Win32Network::GetUniversalName(const char* localPath, std::string& universalName) {
  constexpr DWORD kBufferSize = 1024;
  // The answer is a UNIVERSAL_NAME_INFOA followed by the text it points to.
  alignas(UNIVERSAL_NAME_INFOA) char buffer[kBufferSize] = {};
  DWORD size = kBufferSize;
  const DWORD result = WNetGetUniversalNameA(localPath, UNIVERSAL_NAME_INFO_LEVEL, buffer, &size);
  if (result == NO_ERROR) {
    const auto* info = reinterpret_cast<const UNIVERSAL_NAME_INFOA*>(buffer);
    universalName = info->lpUniversalName ? info->lpUniversalName : "";
  }
  return result;
}
