#pragma once
#include "platform/Files.h"

class Win32Files : public Files {
 public:
  bool FileExists(const std::string& path) override;
  ReadFileResult ReadFile(const std::string& path, std::string& bytes) override;
  bool ReplaceFile(const std::string& path, const std::string& bytes) override;
  bool DeleteFile(const std::string& path) override;
};
