// A network provider for the tests. Windows' connection router hands it what the WNet
// calls were given; it writes one line per call and answers with the code the test chose.
//
// Folder of its files: QUILLBAY_PROVIDER_FOLDER, else the folder of this DLL.
//   provider-answers.txt  lines "add=<code>" and "cancel=<code>", read at every call;
//                         without the file every request is declined as not its own
//                         (ERROR_BAD_NET_NAME), so a registration left behind does no harm.
//   provider-calls.txt    one line per call, fields separated by tabs:
//                         entry, local name, remote name, type, provider, user, password,
//                         flags, force; a null pointer is written as <null>.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr DWORD kSpecVersion = 1, kNetType = 2, kDriverVersion = 3, kConnection = 6, kStart = 12;
constexpr DWORD kSpecVersion51 = 0x00050001;
constexpr DWORD kAddConnection = 0x1, kCancelConnection = 0x2, kAddConnection3 = 0x8;
constexpr DWORD kStarted = 1;
constexpr DWORD kNetTypeOfTests = 0x00420000;  // a network type no real provider uses

std::string Folder() {
  char fromEnvironment[MAX_PATH * 2];
  const DWORD length = GetEnvironmentVariableA("QUILLBAY_PROVIDER_FOLDER", fromEnvironment, sizeof fromEnvironment);
  if (length > 0 && length < sizeof fromEnvironment) return std::string(fromEnvironment) + "\\";
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&Folder), &self);
  char path[MAX_PATH * 2];
  const DWORD pathLength = GetModuleFileNameA(self, path, sizeof path);
  std::string folder(path, pathLength);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string Text(const wchar_t* text) {
  if (!text) return "<null>";
  const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, result.data(), size, nullptr, nullptr);
  result.resize(static_cast<size_t>(size - 1));
  return result;
}

DWORD Answer(const char* key) {
  FILE* file = std::fopen((Folder() + "provider-answers.txt").c_str(), "r");
  if (!file) return ERROR_BAD_NET_NAME;
  DWORD answer = ERROR_BAD_NET_NAME;
  char line[256];
  const std::string prefix = std::string(key) + "=";
  while (std::fgets(line, sizeof line, file))
    if (std::string(line).rfind(prefix, 0) == 0) answer = std::strtoul(line + prefix.size(), nullptr, 10);
  std::fclose(file);
  return answer;
}

void Record(const std::string& line) {
  FILE* file = std::fopen((Folder() + "provider-calls.txt").c_str(), "ab");
  if (!file) return;
  std::fputs((line + "\n").c_str(), file);
  std::fclose(file);
}

std::string Resource(const NETRESOURCEW* resource) {
  if (!resource) return "<null>\t<null>\t<null>\t<null>";
  return Text(resource->lpLocalName) + "\t" + Text(resource->lpRemoteName) + "\t" +
         std::to_string(resource->dwType) + "\t" + Text(resource->lpProvider);
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI NPGetCaps(DWORD index) {
  switch (index) {
    case kSpecVersion: return kSpecVersion51;
    case kNetType: return kNetTypeOfTests;
    case kDriverVersion: return 1;
    case kConnection: return kAddConnection | kCancelConnection | kAddConnection3;
    case kStart: return kStarted;
    default: return 0;
  }
}

__declspec(dllexport) DWORD WINAPI NPAddConnection(NETRESOURCEW* resource, wchar_t* password, wchar_t* userName) {
  Record("NPAddConnection\t" + Resource(resource) + "\t" + Text(userName) + "\t" + Text(password) + "\t-\t-");
  return Answer("add");
}

__declspec(dllexport) DWORD WINAPI NPAddConnection3(HWND, NETRESOURCEW* resource, wchar_t* password,
                                                    wchar_t* userName, DWORD flags) {
  Record("NPAddConnection3\t" + Resource(resource) + "\t" + Text(userName) + "\t" + Text(password) + "\t" +
         std::to_string(flags) + "\t-");
  return Answer("add");
}

__declspec(dllexport) DWORD WINAPI NPCancelConnection(wchar_t* name, BOOL force) {
  Record("NPCancelConnection\t" + Text(name) + "\t-\t-\t-\t-\t-\t-\t" + (force ? "1" : "0"));
  return Answer("cancel");
}

}  // extern "C"
