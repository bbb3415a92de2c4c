#include "platform/win32/ModalStack.h"

#include <algorithm>
#include <vector>

namespace ModalStack {
namespace {

// Only the main thread shows modal windows.
std::vector<HWND>& Stack() {
  static std::vector<HWND> stack;
  return stack;
}

}  // namespace

HWND Owner(HWND fallback) {
  for (auto window = Stack().rbegin(); window != Stack().rend(); ++window)
    if (*window && IsWindow(*window)) return *window;
  return fallback;
}

bool Open() { return !Stack().empty(); }

Entry::Entry(HWND window) { Stack().push_back(window); }

Entry::~Entry() { Stack().pop_back(); }

}  // namespace ModalStack
