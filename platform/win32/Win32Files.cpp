#include "platform/win32/Win32Files.h"

#include <algorithm>
#include <atomic>

#include "platform/win32/WideFileName.h"
#include "platform/win32/WindowsApi.h"

namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  bool Close() {
    if (!IsOpen()) return true;
    const bool closed = CloseHandle(handle_) != FALSE;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

// Unique within the folder: two processes (pid) and two calls (counter) never meet.
std::string TemporaryNameFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".tmp" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1u << 30));
    DWORD done = 0;
    if (!WriteFile(file, bytes.data() + written, chunk, &done, nullptr) || done == 0) return false;
    written += done;
  }
  return true;
}

}  // namespace

bool Win32Files::FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WideFileName(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

ReadFileResult Win32Files::ReadFile(const std::string& path, std::string& bytes) {
  FileHandle file(CreateFileW(WideFileName(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadFileResult::NotFound
                                                                          : ReadFileResult::Unreadable;
  }
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.Get(), &size)) return ReadFileResult::Unreadable;
  if (static_cast<unsigned long long>(size.QuadPart) > MaxFileSize) return ReadFileResult::TooLarge;
  std::string content;
  content.reserve(static_cast<size_t>(size.QuadPart));
  char chunk[64 * 1024];
  for (;;) {
    DWORD done = 0;
    if (!::ReadFile(file.Get(), chunk, sizeof chunk, &done, nullptr)) return ReadFileResult::Unreadable;
    if (done == 0) break;
    // It may have grown since its size was asked.
    if (content.size() + done > MaxFileSize) return ReadFileResult::TooLarge;
    content.append(chunk, done);
  }
  bytes = std::move(content);
  return ReadFileResult::Ok;
}

bool Win32Files::ReplaceFile(const std::string& path, const std::string& bytes) {
  // Windows refuses to rename over a read-only file; Wine would not, so say it here.
  const std::wstring target = WideFileName(path);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  const std::wstring temporary = WideFileName(TemporaryNameFor(path));
  FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return false;
  const bool written = WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get());
  const bool closed = file.Close();
  if (written && closed &&
      MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(temporary.c_str());
  return false;
}

bool Win32Files::DeleteFile(const std::string& path) {
  if (DeleteFileW(WideFileName(path).c_str())) return true;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
