#pragma once
#include <cstdint>
#include <string>

// The NETRESOURCE members the program fills; all others are zero or null.
struct NetResource {
  uint32_t Scope = 0;
  uint32_t Type = 0;
  uint32_t DisplayType = 0;
  uint32_t Usage = 0;
  const char* LocalName = nullptr;
  const char* RemoteName = nullptr;
  const char* Comment = nullptr;
  const char* Provider = nullptr;
};

// The network provider interface (mpr): the four WNet calls the engine makes.
// Every call returns NO_ERROR or a Windows error code.
class Network {
 public:
  virtual ~Network() = default;
  // WNetAddConnection2A; null password/userName mean the logged-on user's credentials.
  virtual uint32_t AddConnection2(const NetResource& resource, const char* password,
                                  const char* userName, uint32_t flags) = 0;
  // WNetAddConnectionA
  virtual uint32_t AddConnection(const char* remoteName, const char* password,
                                 const char* localName) = 0;
  // WNetCancelConnection2A
  virtual uint32_t CancelConnection2(const char* name, uint32_t flags, bool force) = 0;
  // WNetGetUniversalNameA at UNIVERSAL_NAME_INFO_LEVEL with a 1024-byte buffer.
  virtual uint32_t GetUniversalName(const char* localPath, std::string& universalName) = 0;
};
