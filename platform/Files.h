#pragma once
#include <cstddef>
#include <string>

// TooLarge: over MaxFileSize, refused before a byte of it is read.
enum class ReadFileResult { Ok, NotFound, Unreadable, TooLarge };

// Whole-file access for the program's own files (configuration, deployment, languages).
// File names are UTF-8, whatever the system code page, so that the program's folder and
// the profile may have any name; what the files hold is the caller's bytes, unchanged.
class Files {
 public:
  // The program's files are kilobytes; a file many times larger is damaged or hostile,
  // and reading it whole would hold it all in memory, at start-up and at every save.
  static constexpr std::size_t MaxFileSize = std::size_t{16} << 20;

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
