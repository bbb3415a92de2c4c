#pragma once
#include <map>
#include <set>
#include <string>

#include "platform/Files.h"

// Whole files in memory; paths compare without regard to ASCII case, and "/" is "\".
// Every folder exists.
class SimFiles : public Files {
 public:
  explicit SimFiles(int& replaceCount) : replaceCount_(replaceCount) {}

  bool FileExists(const std::string& path) override;
  ReadFileResult ReadFile(const std::string& path, std::string& bytes) override;
  bool ReplaceFile(const std::string& path, const std::string& bytes) override;
  bool DeleteFile(const std::string& path) override;

  // A folder that holds at least one file.
  bool FolderExists(const std::string& path) const;
  void Write(const std::string& path, const std::string& bytes);
  const std::string* Find(const std::string& path) const;
  void Remove(const std::string& path);
  void FailWrites(bool fail) { failWrites_ = fail; }
  void FailReads(const std::string& path, bool fail);
  // Reading the file throws std::bad_alloc, as a file too large for memory does.
  void ExhaustMemoryReading(const std::string& path, bool exhaust);

 private:
  static std::string Key(const std::string& path);

  int& replaceCount_;
  std::map<std::string, std::string> files_;  // key -> bytes
  std::set<std::string> unreadable_;
  std::set<std::string> tooLarge_;
  bool failWrites_ = false;
};
