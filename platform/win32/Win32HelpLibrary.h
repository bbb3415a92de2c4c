#pragma once
#include "platform/HelpLibrary.h"

class Win32HelpLibrary : public HelpLibrary {
 public:
  Module Load(const std::string& fileName) override;
  Entry EntryPoint(Module module, const char* name) override;
  void Free(Module module) override;
  std::string SystemDirectory() override;
  uintptr_t HtmlHelp(Entry entry, const std::string& file, uint32_t command, uintptr_t data) override;
};
