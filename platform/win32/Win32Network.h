#pragma once
#include <string>

#include "platform/Network.h"
#include "platform/win32/WindowsApi.h"

// The network provider interface (mpr), ANSI calls.
class Win32Network : public Network {
 public:
  uint32_t AddConnection2(const NetResource& resource, const char* password, const char* userName,
                          uint32_t flags) override;
  uint32_t AddConnection(const char* remoteName, const char* password, const char* localName) override;
  uint32_t CancelConnection2(const char* name, uint32_t flags, bool force) override;
  uint32_t GetUniversalName(const char* localPath, std::string& universalName) override;
};

// WNetGetUniversalNameA's universal-name answer, read whole however long it is.
using UniversalNameCall = DWORD(WINAPI*)(LPCSTR localPath, DWORD level, LPVOID buffer, LPDWORD size);
uint32_t ReadUniversalName(UniversalNameCall call, const char* localPath, std::string& universalName);
