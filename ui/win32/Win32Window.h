#pragma once
// Draws a window of ui/ with the standard Windows controls and keeps both in step: what
// the user does reaches the control objects (and so the window's handlers), what the
// handlers change reaches the screen.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/WindowsApi.h"

#include <commctrl.h>
#include "ui/Form.h"

class TWin32Window {
 public:
  // Creates the window, hidden, centred on the owner, scaled to the monitor's DPI.
  TWin32Window(TForm& form, HWND owner);
  ~TWin32Window();
  TWin32Window(const TWin32Window&) = delete;
  TWin32Window& operator=(const TWin32Window&) = delete;

  HWND Handle() const { return window_; }
  // The real control of a control object; null for those drawn by the window itself.
  HWND Handle(const TControl& control) const;

  // Shows the form modally: its FormShow, the message loop until it may close, FormHide.
  int RunModal();

  // Image lists by the names the windows use (the main images, the language pictures).
  static void RegisterImageList(const std::string& name, HIMAGELIST images);
  // Called once a modal window is on screen (for tests and screenshots).
  static std::function<void(TWin32Window&)> OnShown;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void AddHints();
  HWND CreateControl(TControl& control, int id);
  void Push(TControl& control);  // object -> screen
  void Pull(TControl& control, int notification);  // screen -> object
  void ShowActivePage();
  // Widens a list's auto-sized column to what the others leave of the list's width.
  void FitColumns(HWND handle, const TListView& list);
  void FocusFirstControl();
  bool TurnPage(const MSG& msg);
  RECT Scaled(const TControl& control) const;
  int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }
  HFONT FontFor(const TControl& control);
  TControl* ControlOf(HWND child) const;
  void HoverLink(TLinkLabel* link);

  TForm& form_;
  HWND owner_;
  HWND window_ = nullptr;
  HWND toolTips_ = nullptr;
  int dpi_ = 96;
  HFONT font_ = nullptr;
  std::map<std::string, HFONT> fonts_;
  std::map<const TControl*, HWND> handles_;
  std::map<const TControl*, std::string> listsShown_;  // each list's rows as last drawn
  std::map<int, TControl*> byId_;
  std::vector<TControl*> pushing_;  // controls being written to the screen right now
  TControl* pulling_ = nullptr;     // the control whose change by the user is being taken in
  RECT page_{};                     // the page area of the tab control, in client pixels
  TLinkLabel* hovered_ = nullptr;
  HBRUSH pageBrush_ = nullptr;  // the tab page's own colour, for texts lying on it
  COLORREF pageColour_ = 0;
  void MatchPageColour();
};

// Lets the real program (and the Windows tests) show every modal window of ui/ as a real
// dialog through the platform's modal showing.
class Win32UserInterface;
void UseRealDialogs(Win32UserInterface& ui);
