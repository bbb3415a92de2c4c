#pragma once
#include <string>

enum class ReadFileResult { Ok, NotFound, Unreadable };

// Whole-file access for the program's own files (configuration, deployment, languages).
class Files {
 public:
  virtual ~Files() = default;
  virtual bool FileExists(const std::string& path) = 0;
  virtual ReadFileResult ReadFile(const std::string& path, std::string& bytes) = 0;
  // Replaces the file as one step: the new content is written to a temporary file in
  // the same folder, flushed to disk and renamed over the old one. On failure the old
  // file is left exactly as it was and false is returned.
  virtual bool ReplaceFile(const std::string& path, const std::string& bytes) = 0;
  // Removes a file; true also when there was none.
  virtual bool DeleteFile(const std::string& path) = 0;
};
