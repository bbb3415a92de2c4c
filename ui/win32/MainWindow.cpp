#include "ui/win32/MainWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>

#include "base/ProductInfo.h"
#include "data/NetworkDrives.h"
#include "platform/win32/ModalStack.h"
#include "platform/win32/Win32DeviceChange.h"
#include "resources/ResourceIds.h"
#include "ui/AccessKeys.h"
#include "ui/DriveListDrawing.h"
#include "ui/win32/CommonControls.h"

namespace {

constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT kActivated = WM_APP + 2;
constexpr UINT kSyncRequested = WM_APP + 3;
constexpr UINT kTrayId = 1;
constexpr UINT kFirstCommand = 100;
constexpr int kMessagePanelHeight = 113;
// The smallest window still shows a few rows of each list, its tool bar and status bar.
constexpr int kMinDriveListHeight = 100;
constexpr int kMinMessagePanelHeight = 60;
constexpr int kMinClientWidth = 400;
constexpr int kIconSize = 16;
constexpr int kDriveColumns = 5;
constexpr int kMenuPictureGap = 4;  // between a menu picture and its caption

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

HICON LoadMainIcon(int image, int size) {
  return static_cast<HICON>(
      LoadImageA(Instance(), MAKEINTRESOURCEA(IDI_MAIN_FIRST + image), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

COLORREF ColorOf(TDriveCellColors::TColor color, COLORREF fallback) {
  switch (color) {
    case TDriveCellColors::clWindow: return GetSysColor(COLOR_WINDOW);
    case TDriveCellColors::cl3DLight: return GetSysColor(COLOR_3DLIGHT);
    case TDriveCellColors::clWindowText: return GetSysColor(COLOR_WINDOWTEXT);
    case TDriveCellColors::clGray: return RGB(128, 128, 128);
    case TDriveCellColors::clRed: return RGB(255, 0, 0);
    case TDriveCellColors::clMaroon: return RGB(128, 0, 0);
    case TDriveCellColors::clDefault: break;
  }
  return fallback;
}

// The status bar shows one line: the summary's line breaks become gaps.
std::string OneLine(std::string text) {
  for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "  ");
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

void CopyText(char* target, size_t size, const std::string& text) {
  std::strncpy(target, text.c_str(), size - 1);
  target[size - 1] = '\0';
}

}  // namespace

void ApplyFont(HWND window, HFONT font) {
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EnumChildWindows(
      window,
      [](HWND child, LPARAM font) -> BOOL {
        SendMessageA(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(font));
}

TWin32MainWindow::TWin32MainWindow(TMainForm& form) : form_(form) {}

TWin32MainWindow::~TWin32MainWindow() { Destroy(); }

void TWin32MainWindow::CreateFrame() {
  if (window_ != nullptr) return;
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = Instance();
  windowClass.hIcon = LoadIconA(Instance(), MAKEINTRESOURCEA(IDI_PROGRAM));
  windowClass.hIconSm = static_cast<HICON>(LoadImageA(Instance(), MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = ClassName;
  RegisterClassExA(&windowClass);
  taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
  installerClose_ = RegisterWindowMessageA(InstallerCloseMessage);

  // The sizes of the form are those of a 96 dpi screen.
  HDC screen = GetDC(nullptr);
  dpi_ = std::max(96, GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  // Centred on the desktop; the window gets a taskbar button of its own.
  RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int width = Scaled(form_.Width), height = Scaled(form_.Height);
  const int x = work.left + (work.right - work.left - width) / 2;
  const int y = work.top + (work.bottom - work.top - height) / 2;
  window_ = CreateWindowExA(WS_EX_APPWINDOW, ClassName, kProductName, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y,
                            width, height, nullptr, nullptr, Instance(), this);
  if (window_ == nullptr) throw std::runtime_error("The main window could not be created.");
  // The icon first: a program that starts hidden is there for the user once it is.
  TrayIcon(NIM_ADD);
  trayAdded_ = true;
  trayPictureShown_ = form_.Surfaces.TrayPicture;
  trayTipShown_ = form_.Surfaces.TrayTip;
}

void TWin32MainWindow::CreateWhenNeeded() {
  CreateFrame();
  if (!ready_) createWhenNeeded_ = true;
}

void TWin32MainWindow::Create() {
  // The controls' creation sends the window messages of its own.
  createWhenNeeded_ = false;
  if (ready_) return;
  CreateFrame();
  CommonControls();
  for (TAction* action : form_.Actions()) actions_.push_back(action);
  SyncTray();
  networkEvents_.Register(window_);

  CreateImageList();
  CreateMenuBar();
  CreateToolBar();
  CreateLists();
  statusBar_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, window_,
                               nullptr, Instance(), nullptr);
  int wholeBar = -1;
  SendMessageA(statusBar_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&wholeBar));

  SetUpFont();

  form_.Site = this;
  form_.OnDriveRowsRebuilt = [this] { Sync(); };
  // Many changes in one run are drawn once, when the messages waiting now have been handled.
  form_.Surfaces.OnChanged = [this] {
    if (!syncRequested_.exchange(true)) PostMessageA(window_, kSyncRequested, 0, 0);
  };
  ready_ = true;
  Layout();
  Sync();
  if (form_.Visible && form_.ShowMainForm) {
    VisibilityChanged();
    // Activated already while the start-up sequence ran (once a box of it closed): the
    // activation it slept through is made up for.
    if (GetActiveWindow() == window_) PostMessageA(window_, kActivated, 0, 0);
  }
}

void TWin32MainWindow::SetUpFont() {
  if (form_.FontName.empty() || form_.FontSize <= 0) return;
  HFONT font = CreateFontA(-MulDiv(form_.FontSize, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                           form_.FontName.c_str());
  if (font == nullptr) return;
  ApplyFont(window_, font);
  if (font_ != nullptr) DeleteObject(font_);
  font_ = font;
}

int TWin32MainWindow::Scaled(int size) const { return MulDiv(size, dpi_, 96); }

void TWin32MainWindow::DpiChanged(int dpi, const RECT& suggested) {
  if (dpi <= 0 || dpi == dpi_) return;
  const int old = dpi_;
  dpi_ = dpi;
  for (HWND list : {drives_, messages_}) {
    const int columns = Header_GetItemCount(ListView_GetHeader(list));
    for (int column = 0; column < columns; ++column)
      ListView_SetColumnWidth(list, column, MulDiv(ListView_GetColumnWidth(list, column), dpi, old));
  }
  SetUpFont();
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();
}

void TWin32MainWindow::Destroy() {
  createWhenNeeded_ = false;  // a window on its way out is not completed
  if (window_ == nullptr) return;
  if (form_.Site == this) form_.Site = nullptr;
  form_.OnDriveRowsRebuilt = nullptr;
  form_.Surfaces.OnChanged = nullptr;
  if (trayAdded_) TrayIcon(NIM_DELETE);
  trayAdded_ = false;
  networkEvents_.Unregister();
  HWND window = window_;
  window_ = nullptr;
  DestroyWindow(window);  // the menu bar goes with it
  for (HICON icon : trayIcons_)
    if (icon != nullptr) DestroyIcon(icon);
  trayIcons_.clear();
  if (images_ != nullptr) CommonControls().ImageList_Destroy(images_);
  images_ = nullptr;
  if (font_ != nullptr) DeleteObject(font_);
  font_ = nullptr;
  if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
  accelerators_ = nullptr;
}

// --- Building ---

void TWin32MainWindow::CreateImageList() {
  images_ =
      CommonControls().ImageList_Create(kIconSize, kIconSize, ILC_COLOR32 | ILC_MASK, TMainForm::MainImageCount, 0);
  for (int image : form_.ImageListMain32b.Images) {
    HICON icon = LoadMainIcon(image, kIconSize);
    CommonControls().ImageList_ReplaceIcon(images_, -1, icon);
    if (icon != nullptr) DestroyIcon(icon);
  }
}

UINT TWin32MainWindow::CommandOf(TAction* action) const {
  auto found = std::find(actions_.begin(), actions_.end(), action);
  return found == actions_.end() ? 0 : kFirstCommand + static_cast<UINT>(found - actions_.begin());
}

HMENU TWin32MainWindow::BuildMenu(const std::vector<TMenuItem>& items, bool popup) {
  HMENU menu = popup ? CreatePopupMenu() : CreateMenu();
  std::vector<std::string> captions;
  for (const TMenuItem& item : items) captions.push_back(item.IsSeparator() ? "-" : item.ShownCaption());
  captions = WithAccessKeys(captions);
  for (size_t index = 0; index < items.size(); ++index) {
    const TMenuItem& item = items[index];
    if (item.IsSeparator()) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    } else if (item.Action == nullptr) {
      HMENU sub = BuildMenu(item.Items, true);
      AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), captions[index].c_str());
    } else {
      std::string shown = captions[index];
      if (!item.Action->ShortCut.empty()) shown += "\t" + item.Action->ShortCut;
      AppendAction(menu, item, shown);
      menuEntries_.push_back({menu, CommandOf(item.Action), item.Action, shown, item.ShownEnabled()});
    }
  }
  return menu;
}

void TWin32MainWindow::AppendAction(HMENU menu, const TMenuItem& item, const std::string& shown) {
  const UINT id = CommandOf(item.Action);
  AppendMenuA(menu, MF_STRING | (item.ShownEnabled() ? MF_ENABLED : MF_GRAYED), id, shown.c_str());
  const int image = item.ShownImage();
  if (image < 0 || image >= TMainForm::MainImageCount || images_ == nullptr) return;
  // The picture is drawn by the window from the tool bar's image list (WM_DRAWITEM): a
  // ready-made bitmap has no transparency a menu would honour, and showed black corners.
  MENUITEMINFOA info = {};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_BITMAP | MIIM_DATA;
  info.hbmpItem = HBMMENU_CALLBACK;
  info.dwItemData = static_cast<ULONG_PTR>(image) + 1;
  SetMenuItemInfoA(menu, id, FALSE, &info);
}

void TWin32MainWindow::CreateMenuBar() {
  menuBar_ = BuildMenu(form_.ActionMainMenuBar.Items, false);
  SetMenu(window_, menuBar_);
  // Shortcut keys of the actions (F1 for help), and F10/Alt as every menu bar has them.
  std::vector<ACCEL> keys;
  for (TAction* action : actions_) {
    const std::string& key = action->ShortCut;
    if (key.size() >= 2 && key[0] == 'F') {
      const int number = std::atoi(key.c_str() + 1);
      if (number >= 1 && number <= 12)
        keys.push_back({FVIRTKEY, static_cast<WORD>(VK_F1 + number - 1), static_cast<WORD>(CommandOf(action))});
    }
  }
  if (!keys.empty()) accelerators_ = CreateAcceleratorTableA(keys.data(), static_cast<int>(keys.size()));
}

void TWin32MainWindow::CreateToolBar() {
  rebar_ = CreateWindowExA(WS_EX_TOOLWINDOW, REBARCLASSNAMEA, nullptr,
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT | CCS_NODIVIDER,
                           0, 0, 0, 0, window_, nullptr, Instance(), nullptr);
  toolBar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                             0, 0, 0, 0, rebar_, nullptr, Instance(), nullptr);
  SendMessageA(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  SendMessageA(toolBar_, TB_SETMAXTEXTROWS, 0, 0);  // images only
  std::vector<TBBUTTON> buttons;
  for (const TMenuItem& item : form_.ActionToolBar.Items) {
    TBBUTTON button = {};
    if (item.IsSeparator() || item.Action == nullptr) {
      button.fsStyle = BTNS_SEP;
      button.iBitmap = 6;
    } else {
      button.iBitmap = item.ShownImage();
      button.idCommand = static_cast<int>(CommandOf(item.Action));
      button.fsState = item.ShownEnabled() ? TBSTATE_ENABLED : 0;
      button.fsStyle = BTNS_BUTTON;
      button.iString = -1;
    }
    buttons.push_back(button);
  }
  SendMessageA(toolBar_, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
  SendMessageA(toolBar_, TB_AUTOSIZE, 0, 0);
  SIZE size = {};
  SendMessageA(toolBar_, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));

  REBARBANDINFOA band = {};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE;
  band.fStyle = RBBS_CHILDEDGE | RBBS_NOGRIPPER;
  band.hwndChild = toolBar_;
  band.cxMinChild = size.cx;
  band.cyMinChild = std::max<int>(form_.ActionToolBar.MinHeight, size.cy);
  band.cx = 0;
  SendMessageA(rebar_, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

void TWin32MainWindow::CreateLists() {
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS |
                      LVS_NOSORTHEADER;
  drives_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", style | LVS_SINGLESEL, 0, 0, 0, 0, window_,
                            nullptr, Instance(), nullptr);
  messages_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", style, 0, 0, 0, 0, window_, nullptr, Instance(),
                              nullptr);
  SetWindowTextA(drives_, "ListViewNetworkDrives");
  SetWindowTextA(messages_, "ListViewMessages");
  auto columns = [this](HWND list, const TReportList& report) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    int index = 0;
    for (const TReportColumn& column : report.Columns) {
      LVCOLUMNA entry = {};
      entry.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      entry.fmt = column.RightAligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
      entry.cx = Scaled(column.Width);
      std::string caption = column.Caption;
      entry.pszText = caption.data();
      SendMessageA(list, LVM_INSERTCOLUMNA, index++, reinterpret_cast<LPARAM>(&entry));
    }
  };
  columns(drives_, form_.ListViewNetworkDrives);
  columns(messages_, form_.ListViewMessages);
  ListView_SetImageList(drives_, images_, LVSIL_SMALL);
  ListView_SetImageList(messages_, images_, LVSIL_SMALL);
}

void TWin32MainWindow::Layout() {
  if (window_ == nullptr || rebar_ == nullptr) return;
  RECT client;
  GetClientRect(window_, &client);
  SendMessageA(statusBar_, WM_SIZE, 0, 0);
  SendMessageA(rebar_, WM_SIZE, 0, 0);
  RECT bar, status;
  GetWindowRect(rebar_, &bar);
  GetWindowRect(statusBar_, &status);
  const int top = bar.bottom - bar.top;
  const int bottom = client.bottom - (status.bottom - status.top);
  // The message panel gives way first, down to a few lines; the drive list keeps a few rows.
  const int available = std::max(0, bottom - top);
  const int messagesHeight =
      std::min({Scaled(kMessagePanelHeight), available,
                std::max(Scaled(kMinMessagePanelHeight), available - Scaled(kMinDriveListHeight))});
  const int messagesTop = bottom - messagesHeight;
  MoveWindow(rebar_, 0, 0, client.right, top, TRUE);
  MoveWindow(drives_, 0, top, client.right, messagesTop - top, TRUE);
  MoveWindow(messages_, 0, messagesTop, client.right, bottom - messagesTop, TRUE);
}

// --- Reading the form again ---

void TWin32MainWindow::Sync() {
  if (window_ == nullptr || syncing_) return;
  syncing_ = true;
  SyncActions();
  SyncDriveRows();
  SyncMessages();
  const std::string status = OneLine(form_.Surfaces.StatusText);
  if (status != statusShown_) {
    statusShown_ = status;
    SendMessageA(statusBar_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(status.c_str()));
  }
  if (form_.Caption != "" && form_.Caption != captionShown_) {
    SetWindowTextA(window_, form_.Caption.c_str());
    captionShown_ = form_.Caption;
  }
  // Whatever changed meanwhile, the window takes no input while a box or dialog is open.
  const bool enabled = form_.Enabled && !ModalStack::Open();
  if ((IsWindowEnabled(window_) != FALSE) != enabled) EnableWindow(window_, enabled ? TRUE : FALSE);
  SyncTray();
  syncing_ = false;
}

void TWin32MainWindow::SyncActions() {
  std::vector<ActionShown> now;
  for (const TAction* action : actions_) now.push_back({action->Caption, action->Enabled});
  if (now == actionsShown_) return;
  for (size_t index = 0; index < actions_.size(); ++index) {
    if (index < actionsShown_.size() && actionsShown_[index].Enabled == now[index].Enabled) continue;
    const UINT id = kFirstCommand + static_cast<UINT>(index);
    if (SendMessageA(toolBar_, TB_COMMANDTOINDEX, id, 0) >= 0)
      SendMessageA(toolBar_, TB_ENABLEBUTTON, id, MAKELPARAM(now[index].Enabled ? TRUE : FALSE, 0));
  }
  actionsShown_ = std::move(now);
  // Captions change (Minimize/restore), so each menu's access keys are chosen again.
  std::map<HMENU, std::vector<size_t>> byMenu;
  for (size_t index = 0; index < menuEntries_.size(); ++index) byMenu[menuEntries_[index].Menu].push_back(index);
  bool changed = false;
  for (auto& [menu, entries] : byMenu) {
    std::vector<std::string> captions;
    int count = GetMenuItemCount(menu);
    // Every caption of the menu, so that new access keys avoid those of the others.
    for (int position = 0; position < count; ++position) {
      UINT id = GetMenuItemID(menu, position);
      auto entry = std::find_if(entries.begin(), entries.end(), [&](size_t at) { return menuEntries_[at].Id == id; });
      captions.push_back(entry == entries.end() ? "-" : menuEntries_[*entry].Action->Caption);
    }
    captions = WithAccessKeys(captions);
    for (int position = 0; position < count; ++position) {
      UINT id = GetMenuItemID(menu, position);
      for (size_t at : entries) {
        MenuEntry& entry = menuEntries_[at];
        if (entry.Id != id) continue;
        std::string shown = captions[position];
        if (!entry.Action->ShortCut.empty()) shown += "\t" + entry.Action->ShortCut;
        if (shown != entry.Shown) {
          MENUITEMINFOA info = {};
          info.cbSize = sizeof(info);
          info.fMask = MIIM_STRING;
          info.dwTypeData = shown.data();
          SetMenuItemInfoA(menu, id, FALSE, &info);
          entry.Shown = shown;
          changed = true;
        }
        if (entry.Action->Enabled != entry.Enabled) {
          EnableMenuItem(menu, id, MF_BYCOMMAND | (entry.Action->Enabled ? MF_ENABLED : MF_GRAYED));
          entry.Enabled = entry.Action->Enabled;
          changed = true;
        }
      }
    }
  }
  if (changed) DrawMenuBar(window_);
}

void TWin32MainWindow::SyncDriveRows() {
  std::vector<DriveRowShown> rows;
  for (const TDriveRow& row : form_.Surfaces.DriveRows) {
    DriveRowShown shown{row.ImageIndex, {}, row.Drive != nullptr && row.Drive->DeploymentDrive};
    for (int cell = 0; cell < kDriveColumns; ++cell) shown.Cells[cell] = row.Cells[cell];
    rows.push_back(std::move(shown));
  }
  if (rows != drivesShown_) {
    // Rebuilt whole and drawn once, as the survey rebuilds the rows.
    SendMessageA(drives_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(drives_);
    for (size_t index = 0; index < rows.size(); ++index) {
      LVITEMA item = {};
      item.mask = LVIF_TEXT | LVIF_IMAGE;
      item.iItem = static_cast<int>(index);
      item.iImage = rows[index].Image;
      item.pszText = rows[index].Cells[0].data();
      SendMessageA(drives_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
      for (int cell = 1; cell < kDriveColumns; ++cell) {
        LVITEMA sub = {};
        sub.iSubItem = cell;
        sub.pszText = rows[index].Cells[cell].data();
        SendMessageA(drives_, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&sub));
      }
    }
    SendMessageA(drives_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(drives_, nullptr, TRUE);
    drivesShown_ = std::move(rows);
  }
  const int shownSelection = ListView_GetNextItem(drives_, -1, LVNI_SELECTED);
  const int selection = form_.Surfaces.SelectedDriveRow;
  if (shownSelection != selection) {
    ListView_SetItemState(drives_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (selection >= 0 && selection < static_cast<int>(drivesShown_.size()))
      ListView_SetItemState(drives_, selection, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

void TWin32MainWindow::SyncMessages() {
  const TSurfaces& surfaces = form_.Surfaces;
  const auto& messages = surfaces.Messages;
  if (surfaces.MessagesAdded < messagesAdded_) {  // a new form starts over
    ListView_DeleteAllItems(messages_);
    messagesAdded_ = 0;
  }
  // The newest is on top: the new ones go in at the front, oldest of them first.
  const size_t fresh = static_cast<size_t>(std::min<uint64_t>(surfaces.MessagesAdded - messagesAdded_, messages.size()));
  if (fresh == messages.size()) ListView_DeleteAllItems(messages_);
  for (size_t index = fresh; index > 0; --index) {
    const TMessageRow& row = messages[index - 1];
    std::string text = row.Text, time = row.Time;
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = 0;
    item.iImage = row.ImageIndex;
    item.pszText = text.data();
    SendMessageA(messages_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    LVITEMA sub = {};
    sub.iSubItem = 1;
    sub.pszText = time.data();
    SendMessageA(messages_, LVM_SETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&sub));
  }
  // The lines the data no longer keeps leave the bottom of the list too.
  for (int shown = ListView_GetItemCount(messages_); shown > static_cast<int>(messages.size()); --shown)
    ListView_DeleteItem(messages_, shown - 1);
  messagesAdded_ = surfaces.MessagesAdded;
}

// --- The notification area ---

NOTIFYICONDATAA TWin32MainWindow::TrayData(UINT flags) const {
  NOTIFYICONDATAA data = {};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = window_;
  data.uID = kTrayId;
  data.uFlags = flags;
  return data;
}

HICON TWin32MainWindow::TrayPicture(int image) {
  if (image < 0 || image >= TMainForm::MainImageCount) image = kImageUnknown;
  if (trayIcons_.empty()) trayIcons_.assign(TMainForm::MainImageCount, nullptr);
  if (trayIcons_[image] == nullptr) trayIcons_[image] = LoadMainIcon(image, GetSystemMetrics(SM_CXSMICON));
  return trayIcons_[image];
}

void TWin32MainWindow::TrayIcon(DWORD operation) {
  NOTIFYICONDATAA data = TrayData(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  data.uCallbackMessage = kTrayMessage;
  data.hIcon = TrayPicture(form_.Surfaces.TrayPicture);
  CopyText(data.szTip, sizeof(data.szTip), form_.Surfaces.TrayTip.empty() ? kProductName : form_.Surfaces.TrayTip);
  Shell_NotifyIconA(operation, &data);
}

void TWin32MainWindow::SyncTray() {
  if (form_.TrayIcon.Visible != trayAdded_) {
    TrayIcon(form_.TrayIcon.Visible ? NIM_ADD : NIM_DELETE);
    trayAdded_ = form_.TrayIcon.Visible;
    trayPictureShown_ = form_.Surfaces.TrayPicture;
    trayTipShown_ = form_.Surfaces.TrayTip;
  }
  if (!trayAdded_) return;
  if (form_.Surfaces.TrayPicture != trayPictureShown_ || form_.Surfaces.TrayTip != trayTipShown_) {
    TrayIcon(NIM_MODIFY);
    trayPictureShown_ = form_.Surfaces.TrayPicture;
    trayTipShown_ = form_.Surfaces.TrayTip;
  }
  const TBalloonHint& balloon = form_.Surfaces.BalloonHintMessage;
  const bool fresh = balloon.Visible && balloon.ShownCount != balloonsShown_;
  if ((fresh || !balloon.Visible) && balloonVisible_) {
    NOTIFYICONDATAA data = TrayData(NIF_INFO);
    Shell_NotifyIconA(NIM_MODIFY, &data);
    balloonVisible_ = false;
  }
  if (fresh) {
    NOTIFYICONDATAA data = TrayData(NIF_INFO);
    CopyText(data.szInfo, sizeof(data.szInfo), balloon.Text);
    CopyText(data.szInfoTitle, sizeof(data.szInfoTitle), balloon.Title);
    data.uTimeout = 30000;
    static const DWORD kinds[] = {NIIF_NONE, NIIF_INFO, NIIF_WARNING, NIIF_ERROR};
    data.dwInfoFlags = kinds[std::clamp(balloon.Kind, 0, 3)];
    Shell_NotifyIconA(NIM_MODIFY, &data);
    balloonVisible_ = true;
  }
  balloonsShown_ = balloon.ShownCount;
}

// --- What the form asks of the window ---

void TWin32MainWindow::VisibilityChanged() {
  if (window_ == nullptr) return;
  if (!form_.Visible) ShowWindow(window_, SW_HIDE);
  else if (form_.WindowState == wsMinimized) ShowWindow(window_, SW_MINIMIZE);
  else if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
  // A window that was maximized when it went to the tray comes back maximized.
  else ShowWindow(window_, form_.WindowState == wsMaximized || IsZoomed(window_) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  Sync();
}

void TWin32MainWindow::BringToFront() {
  if (window_ == nullptr) return;
  // While a dialog or box is open, that is what the user gets, not the disabled window:
  // the innermost one, the only window of this thread with a caption that is shown and
  // enabled (a message box need not be the owner's last active popup).
  HWND front = ModalStack::Owner(window_);
  if (ModalStack::Open()) {
    struct Search {
      HWND main;
      HWND found;
    } search{window_, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM data) {
      auto& s = *reinterpret_cast<Search*>(data);
      if (w != s.main && IsWindowVisible(w) && IsWindowEnabled(w) &&
          (GetWindowLongPtrA(w, GWL_STYLE) & WS_CAPTION) == WS_CAPTION)
        s.found = w;
      return s.found == nullptr ? TRUE : FALSE;
    }, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) front = search.found;
  }
  HWND popup = GetLastActivePopup(front);
  SetForegroundWindow(popup != nullptr && IsWindowVisible(popup) ? popup : front);
}

void TWin32MainWindow::Terminate() {
  // The loop ends once the runs in progress have unwound; a nested pass passes it on.
  if (!quitPosted_) PostQuitMessage(0);
  quitPosted_ = true;
}

bool TWin32MainWindow::TranslateKeys(MSG& message) {
  if (window_ == nullptr || !IsWindowEnabled(window_) || form_.Terminated()) return false;
  // Tab and Shift+Tab go from one list to the other, as in a dialog.
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && (GetKeyState(VK_CONTROL) & 0x8000) == 0 &&
      (message.hwnd == drives_ || message.hwnd == messages_)) {
    SetFocus(message.hwnd == drives_ ? messages_ : drives_);
    return true;
  }
  return accelerators_ != nullptr && TranslateAcceleratorA(window_, accelerators_, &message) != 0;
}

// --- Events ---

void TWin32MainWindow::RunCommand(UINT id) {
  if (id < kFirstCommand || id - kFirstCommand >= actions_.size()) return;
  actions_[id - kFirstCommand]->Execute();
  Sync();
}

void TWin32MainWindow::ShowPopup(TPopupMenu& menu, POINT at) {
  HMENU popup = CreatePopupMenu();
  std::vector<std::string> captions;
  for (const TMenuItem& item : menu.Items) captions.push_back(item.IsSeparator() ? "-" : item.ShownCaption());
  captions = WithAccessKeys(captions);
  for (size_t index = 0; index < menu.Items.size(); ++index) {
    const TMenuItem& item = menu.Items[index];
    if (item.IsSeparator() || item.Action == nullptr) {
      AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    AppendAction(popup, item, captions[index]);
  }
  const UINT chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
  DestroyMenu(popup);
  if (chosen != 0) RunCommand(chosen);
}

// While the start-up sequence runs, the icon's menu offers what may run then: Exit, which
// ends the sequence at its next step and then the program, as an Exit later does.
void TWin32MainWindow::ShowStartUpPopup() {
  if (form_.Terminated() || form_.AMFileExit.Caption.empty()) return;  // texts not read yet
  constexpr UINT kExit = 1;
  HMENU popup = CreatePopupMenu();
  AppendMenuA(popup, MF_STRING, kExit, WithAccessKeys({form_.AMFileExit.Caption})[0].c_str());
  POINT at;
  GetCursorPos(&at);
  SetForegroundWindow(window_);
  const UINT chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
  DestroyMenu(popup);
  PostMessageA(window_, WM_NULL, 0, 0);
  if (chosen == kExit) form_.AMFileExit.Execute();
}

LRESULT CALLBACK TWin32MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TWin32MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  // An error must not unwind through the system's message dispatch: it becomes a line.
  try {
    if (self->createWhenNeeded_) self->Create();
    // While the start-up sequence runs, the form has no menus or controls to offer yet,
    // and the window must outlive it. The icon leads to a question the sequence asks, and
    // the end of the session ends the program in order, as it does later.
    if (!self->ready_ && message != self->taskbarCreated_) {
      if (message == kTrayMessage) {
        const bool menuKey = lParam == WM_RBUTTONUP || lParam == WM_CONTEXTMENU;
        if (ModalStack::Open() && (menuKey || lParam == WM_LBUTTONDBLCLK))
          self->BringToFront();
        else if (menuKey)
          self->ShowStartUpPopup();
        return 0;
      }
      if (message != WM_QUERYENDSESSION && message != WM_ENDSESSION)
        return message == WM_CLOSE ? 0 : DefWindowProcA(window, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
  } catch (const std::exception& error) {
    self->form_.AddMessage(mkError, error.what());
    return 0;
  }
}

LRESULT TWin32MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == taskbarCreated_ && taskbarCreated_ != 0) {
    if (trayAdded_) TrayIcon(NIM_ADD);  // the shell came back without our icon
    return 0;
  }
  // An upgrade must not dismount volumes with open files or take drives away: the
  // program ends as it does when the session ends, settings saved, nothing else done.
  if (message == installerClose_ && installerClose_ != 0) return Handle(WM_ENDSESSION, TRUE, 0);
  // After Exit, while the shutdown removes drives and saves, nothing more is started from
  // the window, its keys or the icon.
  if (form_.Terminated() && (message == WM_COMMAND || message == kTrayMessage || message == WM_CONTEXTMENU ||
                             (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code != NM_CUSTOMDRAW)))
    return message == WM_NOTIFY ? DefWindowProcA(window_, message, wParam, lParam) : 0;
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_MEASUREITEM: {  // a menu picture, with a gap before the caption
      auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (item.CtlType != ODT_MENU) break;
      item.itemWidth = static_cast<UINT>(kIconSize + Scaled(kMenuPictureGap));
      item.itemHeight = static_cast<UINT>(kIconSize);
      return TRUE;
    }
    case WM_DRAWITEM: {
      auto& item = *reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (item.CtlType != ODT_MENU || item.itemData == 0) break;
      const int top = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - kIconSize) / 2;
      const UINT style = (item.itemState & ODS_GRAYED) ? ILD_TRANSPARENT | ILD_BLEND50 : ILD_TRANSPARENT;
      CommonControls().ImageList_DrawEx(images_, static_cast<int>(item.itemData) - 1, item.hDC, item.rcItem.left, top,
                                        0, 0, CLR_NONE, CLR_DEFAULT, style);
      return TRUE;
    }
    case WM_GETMINMAXINFO: {
      RECT bar = {}, status = {};
      GetWindowRect(rebar_, &bar);
      GetWindowRect(statusBar_, &status);
      RECT frame = {0, 0, Scaled(kMinClientWidth),
                    (bar.bottom - bar.top) + (status.bottom - status.top) + Scaled(kMinDriveListHeight) +
                        Scaled(kMinMessagePanelHeight)};
      AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE)), menuBar_ != nullptr,
                         static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE)));
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
      return 0;
    }
    case WM_CLOSE: {
      TCloseAction action = caHide;
      form_.FormClose(action);
      Sync();
      return 0;
    }
    case WM_SYSCOMMAND:
      if (form_.WMSysCommand(static_cast<uint32_t>(wParam))) return 0;
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {  // the list that had the focus gets it back
        HWND focus = GetFocus();
        if (focus == drives_ || focus == messages_) focused_ = focus;
      }
      if (form_.WMActivate(LOWORD(wParam))) return 0;
      // The first run's welcome is a message box: shown once activation is over.
      if (LOWORD(wParam) != WA_INACTIVE) PostMessageA(window_, kActivated, 0, 0);
      break;
    case kSyncRequested:
      syncRequested_ = false;
      Sync();
      return 0;
    case kActivated:
      form_.FormActivate();
      Sync();
      return 0;
    case WM_DEVICECHANGE:
      form_.WMDeviceChange(DecodeDeviceChange(wParam, lParam));
      Sync();
      return TRUE;
    // Drives that could not be reached may be back: the network changed, the computer
    // resumed, the session returned.
    case NetworkEventMessage:
      form_.Engine.NetworkEvent(DecodeNetworkEventMessage(wParam));
      Sync();
      return 0;
    case WM_POWERBROADCAST:
      form_.Engine.NetworkEvent(DecodePowerBroadcast(wParam));
      Sync();
      return TRUE;
    case WM_WTSSESSION_CHANGE:
      form_.Engine.NetworkEvent(DecodeSessionChange(wParam));
      Sync();
      return 0;
    case WM_QUERYENDSESSION:
      return form_.WMQueryEndSession() ? TRUE : FALSE;
    case WM_ENDSESSION:
      // Windows may end the process as soon as this returns: the shutdown is done here.
      form_.WMEndSession(wParam != 0);
      if (wParam != 0) {
        if (trayAdded_) TrayIcon(NIM_DELETE);
        trayAdded_ = false;
        Terminate();
      }
      return 0;
    case WM_COMMAND:
      if (lParam == 0 || reinterpret_cast<HWND>(lParam) == toolBar_) RunCommand(LOWORD(wParam));
      return 0;
    case WM_NOTIFY:
      return Notify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wParam) == drives_) {
        POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (lParam == -1) {  // the context-menu key: at the selected row, else the list's corner
          RECT row = {};
          const int selected = ListView_GetNextItem(drives_, -1, LVNI_SELECTED);
          if (selected < 0 || !ListView_GetItemRect(drives_, selected, &row, LVIR_LABEL)) row = {4, 4, 4, 4};
          at = {row.left, row.bottom};
          ClientToScreen(drives_, &at);
        }
        ShowPopup(form_.PopupActionMenuMain, at);
        return 0;
      }
      break;
    case kTrayMessage:
      if (!form_.TrayIcon.Enabled) return 0;
      if (ModalStack::Open()) {  // the icon leads to what is open, and runs no command under it
        if (lParam == WM_LBUTTONDBLCLK || lParam == WM_RBUTTONUP || lParam == WM_CONTEXTMENU) {
          if (!IsWindowVisible(window_)) form_.TrayIconDblClick();
          BringToFront();
        }
        return 0;
      }
      if (lParam == WM_RBUTTONUP || lParam == WM_CONTEXTMENU) {
        POINT at;
        GetCursorPos(&at);
        // The menu closes when the user clicks elsewhere only if its window is in front.
        SetForegroundWindow(window_);
        ShowPopup(form_.PopupActionMenuTrayIcon, at);
        PostMessageA(window_, WM_NULL, 0, 0);
      } else if (lParam == WM_LBUTTONDBLCLK) {
        form_.TrayIconDblClick();
        Sync();
      }
      return 0;
    case WM_SETFOCUS:
      SetFocus(focused_ != nullptr ? focused_ : drives_);
      return 0;
    case WM_DPICHANGED:  // moved to a screen with another scale
      DpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT TWin32MainWindow::Notify(NMHDR& header) {
  if (header.hwndFrom != drives_) return 0;
  switch (header.code) {
    case LVN_ITEMCHANGED: {
      auto& change = reinterpret_cast<NMLISTVIEW&>(header);
      if (syncing_ || !(change.uChanged & LVIF_STATE) ||
          ((change.uNewState ^ change.uOldState) & LVIS_SELECTED) == 0)
        return 0;
      form_.Surfaces.SelectedDriveRow = ListView_GetNextItem(drives_, -1, LVNI_SELECTED);
      form_.ListViewNetworkDrivesSelectItem();
      Sync();
      return 0;
    }
    case NM_DBLCLK:
      form_.ListViewNetworkDrivesDblClick();
      Sync();
      return 0;
    case NM_RETURN:  // Enter on a row does what a double-click does
      form_.ListViewNetworkDrivesDblClick();
      Sync();
      return 0;
    case NM_CUSTOMDRAW:
      return CustomDrawDrives(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
  }
  return 0;
}

LRESULT TWin32MainWindow::CustomDrawDrives(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      const int row = static_cast<int>(draw.nmcd.dwItemSpec);
      if (row < 0 || row >= static_cast<int>(drivesShown_.size()) || draw.iSubItem >= kDriveColumns) break;
      const DriveRowShown& shown = drivesShown_[row];
      const TDriveCellColors colors =
          DriveCellColors(row, draw.iSubItem, shown.Deployment, shown.Cells[draw.iSubItem]);
      draw.clrTextBk = ColorOf(colors.Background, GetSysColor(COLOR_WINDOW));
      draw.clrText = ColorOf(colors.Text, GetSysColor(COLOR_WINDOWTEXT));
      return CDRF_NEWFONT;
    }
  }
  return CDRF_DODEFAULT;
}
