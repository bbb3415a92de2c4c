#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Errors a test injects into the calls of the simulated machine.
class SimFaults {
 public:
  // letterIndex -1 matches calls on any letter; times -1: every call.
  void Add(const std::string& call, uint32_t code, int letterIndex, int times);
  // The code of the first injection matching this call, used up by one; false when none.
  bool Take(std::string_view call, int letterIndex, uint32_t& code);

 private:
  struct Injection {
    std::string Call;
    uint32_t Code;
    int LetterIndex;
    int Times;
  };
  std::vector<Injection> injections_;
};
