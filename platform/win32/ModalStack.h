#pragma once
// The windows shown modally on the main thread, innermost last. Each message box, file
// dialog and nested dialog belongs to the innermost one, which stays disabled until it
// closes; the main window is disabled while anything modal is open over it.
#include "platform/win32/WindowsApi.h"

namespace ModalStack {

// The window a new modal window belongs to: the innermost modal window, else `fallback`.
HWND Owner(HWND fallback);
// Whether anything modal is open (a dialog, a message box, a file dialog).
bool Open();

// For its lifetime, `window` is the innermost modal window. A message box or file dialog,
// drawn by the system, enters with null: it counts as open but owns nothing of ours.
class Entry {
 public:
  explicit Entry(HWND window);
  ~Entry();
  Entry(const Entry&) = delete;
  Entry& operator=(const Entry&) = delete;
};

}  // namespace ModalStack
