#include "platform/win32/Win32UserInterface.h"

#include <exception>
#include <map>
#include <memory>

#include "platform/win32/ModalStack.h"
#include "platform/win32/SystemLibrary.h"

namespace {

const char kWakeWindowClass[] = "QuillbayMainThreadCalls";

// Timer ids of ::SetTimer without a window are unique per process; the main thread
// alone sets, kills and runs timers, so the map needs no lock.
std::map<UINT_PTR, std::function<void()>>& Timers() {
  static std::map<UINT_PTR, std::function<void()>> timers;
  return timers;
}

void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  auto found = Timers().find(id);
  if (found == Timers().end()) return;
  // A copy: the callback may kill its own timer.
  const std::function<void()> onTimer = found->second;
  // An exception must not unwind through the system's message dispatch.
  try {
    onTimer();
  } catch (...) {
  }
}

LRESULT CALLBACK WakeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NULL) {
    if (auto* calls = reinterpret_cast<MainThreadCalls*>(GetWindowLongPtrA(window, GWLP_USERDATA)))
      calls->RunPending();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateWakeWindow(MainThreadCalls& calls) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WakeWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kWakeWindowClass;
  RegisterClassA(&windowClass);  // fails harmlessly when already registered
  HWND window = CreateWindowExA(0, kWakeWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (window) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&calls));
  return window;
}

UINT MessageBoxFlags(MessageBoxKind kind) {
  switch (kind) {
    case MessageBoxKind::Information: return MB_OK | MB_ICONINFORMATION;
    case MessageBoxKind::Warning: return MB_OK | MB_ICONWARNING;
    case MessageBoxKind::Error: return MB_OK | MB_ICONERROR;
    case MessageBoxKind::Question: return MB_YESNO | MB_ICONQUESTION;
  }
  return MB_OK;
}

}  // namespace

Win32UserInterface::Win32UserInterface() : mainThreadId_(GetCurrentThreadId()) {
  // Gives the thread its message queue now, so that messages posted before the first
  // message loop are kept.
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  wakeWindow_ = CreateWakeWindow(mainThread_);
  HWND window = wakeWindow_;
  const DWORD threadId = mainThreadId_;
  mainThread_.SetWakeHook([window, threadId] {
    if (!window || !PostMessageA(window, WM_NULL, 0, 0)) PostThreadMessageA(threadId, WM_NULL, 0, 0);
  });
}

Win32UserInterface::~Win32UserInterface() {
  mainThread_.SetWakeHook(nullptr);
  if (wakeWindow_) DestroyWindow(wakeWindow_);
}

int Win32UserInterface::MessageBox(const std::string& text, const std::string& caption, MessageBoxKind kind) {
  HWND owner = ModalStack::Owner(owner_);
  ModalStack::Entry box(nullptr);
  return MessageBoxA(owner, text.c_str(), caption.c_str(), MessageBoxFlags(kind));
}

void Win32UserInterface::SetBusyCursor(bool busy) { SetCursor(LoadCursorA(nullptr, busy ? IDC_WAIT : IDC_ARROW)); }

void Win32UserInterface::SetHandCursor(bool hand) { SetCursor(LoadCursorA(nullptr, hand ? IDC_HAND : IDC_ARROW)); }

int Win32UserInterface::ShowModal(ModalWindow& window) {
  if (presenter_) return presenter_(window, ModalStack::Owner(owner_));
  window.ModalShow();
  window.ModalEscape();
  window.ModalHide();
  return mrCancel;
}

bool Win32UserInterface::OpenFileDialog(const OpenFileRequest& request, std::string& fileName) {
  // The filter's '|' separators become the NULs the dialog expects, with two at the end.
  std::string filter = request.Filter;
  for (char& c : filter)
    if (c == '|') c = '\0';
  filter.append(2, '\0');
  char file[MAX_PATH] = {};
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = ModalStack::Owner(owner_);
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrInitialDir = request.InitialDir.empty() ? nullptr : request.InitialDir.c_str();
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  // The dialog's library is loaded the first time a file is chosen, not at start.
  static const auto getOpenFileName =
      FindFunction<decltype(&GetOpenFileNameA)>(LoadSystemLibrary("comdlg32.dll"), "GetOpenFileNameA");
  if (getOpenFileName == nullptr) return false;
  ModalStack::Entry dialog(nullptr);
  if (!getOpenFileName(&ofn)) return false;
  fileName = file;
  return true;
}

void Win32UserInterface::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the request to end for the outermost message loop; the waits it may be
      // nested in end without their calls.
      ending_ = true;
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  mainThread_.RunPending();
}

uint32_t Win32UserInterface::SetTimer(uint32_t milliseconds, std::function<void()> onTimer) {
  const UINT_PTR id = ::SetTimer(nullptr, 0, milliseconds, TimerProc);
  if (id != 0) Timers()[id] = std::move(onTimer);
  return static_cast<uint32_t>(id);
}

void Win32UserInterface::KillTimer(uint32_t id) {
  ::KillTimer(nullptr, id);
  Timers().erase(id);
}

namespace {
// What a call off the main thread shares with its thread; whichever ends last frees it,
// so a call left behind never writes into freed memory.
struct CallInFlight {
  std::function<void()> Call;
  HANDLE Ended = nullptr;
  std::exception_ptr Error;
  ~CallInFlight() {
    if (Ended) CloseHandle(Ended);
  }
};

}  // namespace

bool Win32UserInterface::RunServingMessages(std::function<void()> call) {
  if (ending_) return false;
  auto flight = std::make_shared<CallInFlight>();
  flight->Call = std::move(call);
  flight->Ended = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (flight->Ended == nullptr) {
    flight->Call();  // no event to wait on: the call waits here, as it always did
    return true;
  }
  // The system's thread pool, not a new thread per call: with a thread started and ended
  // at every call, a call now and then never came back under Wine (2 of 17 runs of the
  // provider tests under load; none of 16 since).
  auto* handed = new std::shared_ptr<CallInFlight>(flight);
  const BOOL queued = QueueUserWorkItem(
      [](void* context) -> DWORD {
        std::unique_ptr<std::shared_ptr<CallInFlight>> owned(static_cast<std::shared_ptr<CallInFlight>*>(context));
        CallInFlight& call = **owned;
        try {
          call.Call();
        } catch (...) {
          call.Error = std::current_exception();
        }
        SetEvent(call.Ended);
        return 0;
      },
      handed, WT_EXECUTELONGFUNCTION);
  if (!queued) {
    delete handed;
    flight->Call();  // no thread to run it: the call waits here, as it always did
    return true;
  }
  InFlightMark mark(inFlight_);
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjectsEx(1, &flight->Ended, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0) break;
    ProcessMessages();
    if (ending_) return false;
  }
  if (flight->Error) std::rethrow_exception(flight->Error);
  return true;
}

void Win32UserInterface::WaitServingMessages(uint32_t milliseconds) {
  InFlightMark mark(inFlight_);
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (ULONGLONG now = GetTickCount64(); now < end && !ending_; now = GetTickCount64()) {
    if (MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
        WAIT_TIMEOUT)
      break;
    ProcessMessages();
  }
}
