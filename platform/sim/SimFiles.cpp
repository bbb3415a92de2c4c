#include "platform/sim/SimFiles.h"

#include <new>

#include "base/AsciiText.h"
#include "platform/sim/SimText.h"

std::string SimFiles::Key(const std::string& path) {
  std::string key = LowerAscii(path);
  for (char& c : key)
    if (c == '/') c = '\\';
  return key;
}

bool SimFiles::FileExists(const std::string& path) { return Find(path) != nullptr; }

ReadFileResult SimFiles::ReadFile(const std::string& path, std::string& bytes) {
  const std::string* found = Find(path);
  if (found == nullptr) return ReadFileResult::NotFound;
  if (unreadable_.count(Key(path)) != 0) return ReadFileResult::Unreadable;
  if (tooLarge_.count(Key(path)) != 0) throw std::bad_alloc();
  if (found->size() > MaxFileSize) return ReadFileResult::TooLarge;
  bytes = *found;
  return ReadFileResult::Ok;
}

bool SimFiles::ReplaceFile(const std::string& path, const std::string& bytes) {
  ++replaceCount_;
  if (failWrites_) return false;
  Write(path, bytes);
  return true;
}

bool SimFiles::DeleteFile(const std::string& path) {
  Remove(path);
  return true;
}

bool SimFiles::FolderExists(const std::string& path) const {
  std::string prefix = SimTrimBackslashes(Key(path)) + "\\";
  auto it = files_.lower_bound(prefix);
  return it != files_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

void SimFiles::Write(const std::string& path, const std::string& bytes) { files_[Key(path)] = bytes; }

const std::string* SimFiles::Find(const std::string& path) const {
  auto it = files_.find(Key(path));
  return it == files_.end() ? nullptr : &it->second;
}

void SimFiles::Remove(const std::string& path) { files_.erase(Key(path)); }

void SimFiles::FailReads(const std::string& path, bool fail) {
  if (fail)
    unreadable_.insert(Key(path));
  else
    unreadable_.erase(Key(path));
}

void SimFiles::ExhaustMemoryReading(const std::string& path, bool exhaust) {
  if (exhaust)
    tooLarge_.insert(Key(path));
  else
    tooLarge_.erase(Key(path));
}
