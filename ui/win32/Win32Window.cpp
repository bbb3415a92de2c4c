#include "ui/win32/Win32Window.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "platform/win32/ModalStack.h"
#include "platform/win32/Win32UserInterface.h"
#include "resources/ResourceIds.h"
#include "ui/Layout.h"
#include "ui/win32/CommonControls.h"

std::function<void(TWin32Window&)> TWin32Window::OnShown;

namespace {

const char kWindowClass[] = "QuillbayDialog";
constexpr int kFirstId = 100;
const COLORREF kNavy = RGB(0, 0, 128);

std::map<std::string, HIMAGELIST>& ImageLists() {
  static std::map<std::string, HIMAGELIST> lists;
  return lists;
}

HIMAGELIST ImagesNamed(const std::string& name) {
  auto found = ImageLists().find(name);
  return found == ImageLists().end() ? nullptr : found->second;
}

void RegisterClassOnce() {
  static bool done = false;
  if (done) return;
  CommonControls();
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;  // replaced per window at creation
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);
  done = true;
}

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(0, length)));
  return text;
}

void SetTextIfDifferent(HWND window, const std::string& text) {
  if (WindowText(window) != text) SetWindowTextA(window, text.c_str());
}

// Writes a text the form changed by itself into an edit (or the edit of a combo box),
// leaving the caret and the selection where they were, as far as the new text reaches.
void SetEditTextKeepingCaret(HWND window, const std::string& text, bool comboBox) {
  if (WindowText(window) == text) return;
  DWORD start = 0, end = 0;
  if (comboBox) {
    const auto selection = static_cast<DWORD>(SendMessageA(window, CB_GETEDITSEL, 0, 0));
    start = LOWORD(selection), end = HIWORD(selection);
  } else {
    SendMessageA(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  }
  SetWindowTextA(window, text.c_str());
  const auto length = static_cast<DWORD>(text.size());
  start = std::min(start, length), end = std::min(end, length);
  if (comboBox)
    SendMessageA(window, CB_SETEDITSEL, 0, MAKELPARAM(start, end));
  else
    SendMessageA(window, EM_SETSEL, start, end);
}

}  // namespace

void TWin32Window::RegisterImageList(const std::string& name, HIMAGELIST images) { ImageLists()[name] = images; }

TWin32Window::TWin32Window(TForm& form, HWND owner) : form_(form), owner_(owner) {
  RegisterClassOnce();
  HDC screen = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  font_ = CreateFontA(-MulDiv(form.FontSize, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH,
                      form.FontName.c_str());

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT frame = {0, 0, Scale(form.ClientWidth), Scale(form.ClientHeight)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT around;
  if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &around))
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &around, 0);
  const int left = around.left + (around.right - around.left - width) / 2;
  const int top = around.top + (around.bottom - around.top - height) / 2;

  window_ = CreateWindowExA(exStyle, kWindowClass, form.Caption().c_str(), style, left, top, width, height, owner,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWin32Window::WindowProc));
  CreateControls();
}

TWin32Window::~TWin32Window() {
  for (TControl* control : form_.Controls()) control->OnStateChanged = nullptr;
  if (window_) DestroyWindow(window_);
  for (auto& [name, font] : fonts_) DeleteObject(font);
  if (font_) DeleteObject(font_);
  if (pageBrush_) DeleteObject(pageBrush_);
}

void TWin32Window::MatchPageColour() {
  for (TControl* control : form_.Controls()) {
    if (control->Kind != TControlKind::PageControl) continue;
    // Themed tab pages are not the dialog's colour: take theirs from a corner of the page.
    HWND tabs = Handle(*control);
    POINT corner = {page_.left + 1, page_.bottom - 2};
    MapWindowPoints(window_, tabs, &corner, 1);
    HDC dc = GetDC(tabs);
    const COLORREF colour = GetPixel(dc, corner.x, corner.y);
    ReleaseDC(tabs, dc);
    if (colour == CLR_INVALID) return;
    if (pageBrush_) DeleteObject(pageBrush_);
    pageBrush_ = CreateSolidBrush(colour);
    pageColour_ = colour;
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return;
  }
}

HWND TWin32Window::Handle(const TControl& control) const {
  auto found = handles_.find(&control);
  return found == handles_.end() ? nullptr : found->second;
}

TControl* TWin32Window::ControlOf(HWND child) const {
  const int id = GetDlgCtrlID(child);
  auto found = byId_.find(id);
  return found == byId_.end() ? nullptr : found->second;
}

RECT TWin32Window::Scaled(const TControl& control) const {
  RECT r = {Scale(control.Left), Scale(control.Top), Scale(control.Left + control.Width),
            Scale(control.Top + control.Height)};
  if (control.Sheet) OffsetRect(&r, page_.left, page_.top);
  return r;
}

HFONT TWin32Window::FontFor(const TControl& control) {
  const bool link = control.Kind == TControlKind::LinkLabel;
  if (control.FontName.empty() && !control.FontSize && !control.FontHeightPx && !control.Bold && !link) return font_;
  const std::string face = control.FontName.empty() ? form_.FontName : control.FontName;
  const int height = control.FontHeightPx ? -Scale(control.FontHeightPx)
                                          : -MulDiv(control.FontSize ? control.FontSize : form_.FontSize, dpi_, 72);
  const std::string key = face + "/" + std::to_string(height) + (control.Bold ? "b" : "") + (link ? "u" : "");
  HFONT& font = fonts_[key];
  if (!font)
    font = CreateFontA(height, 0, 0, 0, control.Bold ? FW_BOLD : FW_NORMAL, FALSE, link, FALSE,
                       face == "Marlett" ? SYMBOL_CHARSET : DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       CLEARTYPE_QUALITY, DEFAULT_PITCH, face.c_str());
  return font;
}

void TWin32Window::CreateControls() {
  // The tab control first: the pages' controls are placed inside its page area.
  for (TControl* control : form_.Controls()) {
    if (control->Kind != TControlKind::PageControl) continue;
    RECT r = Scaled(*control);
    page_ = r;
    HWND tabs = CreateControl(*control, kFirstId);
    TabCtrl_AdjustRect(tabs, FALSE, &page_);
  }
  int id = kFirstId + 1;
  for (TControl* control : form_.Controls())
    if (control->Kind != TControlKind::PageControl) CreateControl(*control, id++);
  // Tab order is creation order; the tab control's pages lie above it.
  for (TControl* control : form_.Controls())
    if (control->Kind == TControlKind::PageControl)
      SetWindowPos(Handle(*control), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (TControl* control : form_.Controls()) {
    control->OnStateChanged = [this, control] { Push(*control); };
    Push(*control);
  }
  AddHints();
  ShowActivePage();
}

// A control's hint shows as its tool tip (the window owns the tip and frees it with itself).
void TWin32Window::AddHints() {
  for (TControl* control : form_.Controls()) {
    HWND handle = Handle(*control);
    if (control->Hint.empty() || !handle) continue;
    if (!toolTips_)
      toolTips_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!toolTips_) return;
    TOOLINFOA tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(handle);
    tool.lpszText = const_cast<char*>(control->Hint.c_str());  // copied by the tip
    SendMessageA(toolTips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

HWND TWin32Window::CreateControl(TControl& control, int id) {
  const char* className = "STATIC";
  DWORD style = WS_CHILD;
  DWORD exStyle = 0;
  std::string text;
  switch (control.Kind) {
    case TControlKind::Label:
    case TControlKind::LinkLabel: {
      auto& label = static_cast<TLabel&>(control);
      style |= (label.WordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP) | (label.ShowAccelChar ? 0 : SS_NOPREFIX);
      if (control.Kind == TControlKind::LinkLabel) style |= SS_NOTIFY;
      text = label.Caption();
      break;
    }
    case TControlKind::Edit: {
      className = "EDIT";
      style |= WS_TABSTOP | ES_AUTOHSCROLL;
      if (static_cast<TEdit&>(control).PasswordChar) style |= ES_PASSWORD;
      exStyle = WS_EX_CLIENTEDGE;
      break;
    }
    case TControlKind::CheckBox:
      className = "BUTTON";
      style |= WS_TABSTOP | BS_AUTOCHECKBOX;
      text = static_cast<TCheckBox&>(control).Caption();
      break;
    case TControlKind::Button: {
      auto& button = static_cast<TButton&>(control);
      className = "BUTTON";
      style |= WS_TABSTOP | (button.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | (button.Picture ? BS_ICON : 0);
      text = button.Caption();
      break;
    }
    case TControlKind::ComboBox: {
      auto& box = static_cast<TComboBox&>(control);
      className = box.Images.empty() ? "COMBOBOX" : WC_COMBOBOXEXA;
      style |= WS_TABSTOP | WS_VSCROLL |
               (box.Style == TComboBoxStyle::DropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL);
      break;
    }
    case TControlKind::ListView: {
      auto& list = static_cast<TListView&>(control);
      className = WC_LISTVIEWA;
      style |= WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHAREIMAGELISTS |
               (list.HideSelection ? 0 : LVS_SHOWSELALWAYS) | (list.ReadOnly ? 0 : LVS_EDITLABELS);
      exStyle = WS_EX_CLIENTEDGE;
      break;
    }
    case TControlKind::PageControl:
      className = WC_TABCONTROLA;
      style |= WS_TABSTOP | WS_CLIPSIBLINGS;
      break;
    case TControlKind::UpDown:
      className = UPDOWN_CLASSA;
      // Not aligned to its field: that would take its own width out of the field's, and
      // three digits no longer fit. The layout places it beside the field.
      style |= UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
      break;
    case TControlKind::Separator:
      style |= SS_ETCHEDHORZ;
      break;
    case TControlKind::Image:
      style |= SS_OWNERDRAW;
      break;
  }
  RECT r = Scaled(control);
  if (control.Kind == TControlKind::ComboBox) {
    auto& box = static_cast<TComboBox&>(control);
    r.bottom = r.top + Scale(22) + Scale(box.ItemHeight ? box.ItemHeight : 16) * std::max(1, box.DropDownCount);
  }
  HWND handle = CreateWindowExA(exStyle, className, text.c_str(), style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleA(nullptr), nullptr);
  SendMessageA(handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control)), FALSE);
  handles_[&control] = handle;
  byId_[id] = &control;

  if (control.Kind == TControlKind::Button && static_cast<TButton&>(control).Picture) {
    const int size = Scale(16);
    if (HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(static_cast<TButton&>(control).Picture),
                                 IMAGE_ICON, size, size, LR_SHARED))
      SendMessageA(handle, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
  }
  if (control.Kind == TControlKind::ListView) {
    auto& list = static_cast<TListView&>(control);
    ListView_SetExtendedListViewStyle(handle, (list.RowSelect ? LVS_EX_FULLROWSELECT : 0) | LVS_EX_DOUBLEBUFFER);
    if (HIMAGELIST images = ImagesNamed(list.Images)) ListView_SetImageList(handle, images, LVSIL_SMALL);
    for (size_t i = 0; i < list.Columns().size(); ++i) {
      LVCOLUMNA column = {};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.cx = Scale(list.Columns()[i].Width);
      column.pszText = const_cast<char*>(list.Columns()[i].Caption.c_str());
      SendMessageA(handle, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    FitColumns(handle, list);
  } else if (control.Kind == TControlKind::PageControl) {
    auto& pages = static_cast<TPageControl&>(control);
    for (size_t i = 0; i < pages.Pages().size(); ++i) {
      TCITEMA item = {};
      item.mask = TCIF_TEXT;
      item.pszText = const_cast<char*>(pages.Pages()[i]->Caption().c_str());
      SendMessageA(handle, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
  } else if (control.Kind == TControlKind::UpDown) {
    auto& spin = static_cast<TUpDown&>(control);
    if (spin.Associate()) SendMessageA(handle, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Handle(*spin.Associate())), 0);
    SendMessageA(handle, UDM_SETRANGE32, spin.Min(), spin.Max());
  } else if (control.Kind == TControlKind::ComboBox) {
    auto& box = static_cast<TComboBox&>(control);
    if (!box.Images.empty()) {
      if (HIMAGELIST images = ImagesNamed(box.Images)) SendMessageA(handle, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    } else if (box.ItemHeight) {
      SendMessageA(handle, CB_SETITEMHEIGHT, 0, Scale(box.ItemHeight));
    }
  }
  return handle;
}

void TWin32Window::Push(TControl& control) {
  HWND handle = Handle(control);
  if (!handle || std::find(pushing_.begin(), pushing_.end(), &control) != pushing_.end()) return;
  pushing_.push_back(&control);
  // A control that goes grey under the keyboard hands the focus on, as a dialog's own do.
  if (!control.Enabled() && GetFocus() == handle) SendMessageA(window_, WM_NEXTDLGCTL, 0, FALSE);
  EnableWindow(handle, control.Enabled());
  switch (control.Kind) {
    case TControlKind::Label:
    case TControlKind::LinkLabel:
      SetTextIfDifferent(handle, static_cast<TLabel&>(control).Caption());
      break;
    case TControlKind::Edit: {
      auto& edit = static_cast<TEdit&>(control);
      SendMessageA(handle, EM_LIMITTEXT, edit.MaxLength(), 0);
      if (pulling_ != &control) SetEditTextKeepingCaret(handle, edit.Text(), false);
      break;
    }
    case TControlKind::CheckBox: {
      auto& box = static_cast<TCheckBox&>(control);
      SetTextIfDifferent(handle, box.Caption());
      SendMessageA(handle, BM_SETCHECK, box.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    }
    case TControlKind::Button:
      SetTextIfDifferent(handle, static_cast<TButton&>(control).Caption());
      break;
    case TControlKind::ComboBox: {
      auto& box = static_cast<TComboBox&>(control);
      const bool extended = !box.Images.empty();
      const int count = static_cast<int>(SendMessageA(handle, CB_GETCOUNT, 0, 0));
      bool same = count == static_cast<int>(box.Items().size());
      for (int i = 0; same && i < count; ++i) {
        char item[512] = {};
        if (SendMessageA(handle, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof item))
          SendMessageA(handle, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        same = box.Items()[static_cast<size_t>(i)] == item;
      }
      if (!same) {
        // Emptying the list empties the edit too: what the user typed is put back below.
        SendMessageA(handle, CB_RESETCONTENT, 0, 0);
        for (size_t i = 0; i < box.Items().size(); ++i) {
          if (extended) {
            COMBOBOXEXITEMA item = {};
            item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
            item.iItem = static_cast<INT_PTR>(i);
            item.pszText = const_cast<char*>(box.Items()[i].c_str());
            item.iImage = item.iSelectedImage = i < box.ItemImages.size() ? box.ItemImages[i] : -1;
            SendMessageA(handle, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
          } else {
            SendMessageA(handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(box.Items()[i].c_str()));
          }
        }
      }
      SendMessageA(handle, CB_LIMITTEXT, box.MaxLength(), 0);
      if (box.Style == TComboBoxStyle::DropDownList) {
        if (SendMessageA(handle, CB_GETCURSEL, 0, 0) != box.ItemIndex())
          SendMessageA(handle, CB_SETCURSEL, static_cast<WPARAM>(box.ItemIndex()), 0);
      } else if (pulling_ != &control || !same) {
        // An editable box: the text is what counts. Selecting an entry would select all of
        // the edit (the next key would replace it) and selecting none would empty it, so a
        // text that matches an entry is written as text, with the caret kept.
        SetEditTextKeepingCaret(handle, box.Text(), true);
      }
      break;
    }
    case TControlKind::ListView: {
      auto& list = static_cast<TListView&>(control);
      // Rows and columns as text: rebuilt only when they changed, so that a click on a row
      // (which reaches here as a change of the selection) keeps the list where it is.
      std::string rows;
      for (const TListColumn& column : list.Columns()) rows += column.Caption + '\x1f';
      for (const TListItem& row : list.Items()) {
        rows += '\x1e' + std::to_string(row.ImageIndex) + '\x1f' + row.Caption;
        for (const std::string& sub : row.SubItems) rows += '\x1f' + sub;
      }
      std::string& shown = listsShown_[&control];
      if (rows == shown) {
        if (ListView_GetNextItem(handle, -1, LVNI_SELECTED) != list.Selected()) {
          ListView_SetItemState(handle, -1, 0, LVIS_SELECTED);
          if (list.Selected() >= 0)
            ListView_SetItemState(handle, list.Selected(), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        }
        break;
      }
      shown = std::move(rows);
      SendMessageA(handle, WM_SETREDRAW, FALSE, 0);
      ListView_DeleteAllItems(handle);
      for (int i = 0; i < list.Count(); ++i) {
        const TListItem& row = list.Items()[static_cast<size_t>(i)];
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.iImage = row.ImageIndex;
        item.pszText = const_cast<char*>(row.Caption.c_str());
        SendMessageA(handle, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        for (size_t sub = 0; sub < row.SubItems.size(); ++sub) {
          LVITEMA subItem = {};
          subItem.iSubItem = static_cast<int>(sub) + 1;
          subItem.pszText = const_cast<char*>(row.SubItems[sub].c_str());
          SendMessageA(handle, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&subItem));
        }
      }
      if (list.Selected() >= 0) ListView_SetItemState(handle, list.Selected(), LVIS_SELECTED | LVIS_FOCUSED,
                                                      LVIS_SELECTED | LVIS_FOCUSED);
      for (size_t i = 0; i < list.Columns().size(); ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT;
        column.pszText = const_cast<char*>(list.Columns()[i].Caption.c_str());
        SendMessageA(handle, LVM_SETCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
      }
      SendMessageA(handle, WM_SETREDRAW, TRUE, 0);
      FitColumns(handle, list);  // the rows may have brought or taken the scroll bar
      InvalidateRect(handle, nullptr, TRUE);
      break;
    }
    case TControlKind::PageControl: {
      auto& pages = static_cast<TPageControl&>(control);
      for (size_t i = 0; i < pages.Pages().size(); ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(pages.Pages()[i]->Caption().c_str());
        SendMessageA(handle, TCM_SETITEMA, i, reinterpret_cast<LPARAM>(&item));
      }
      if (TabCtrl_GetCurSel(handle) != pages.ActivePageIndex()) TabCtrl_SetCurSel(handle, pages.ActivePageIndex());
      ShowWindow(handle, control.Visible() ? SW_SHOWNA : SW_HIDE);
      ShowActivePage();
      break;
    }
    case TControlKind::UpDown: {
      auto& spin = static_cast<TUpDown&>(control);
      SendMessageA(handle, UDM_SETRANGE32, spin.Min(), spin.Max());
      break;
    }
    case TControlKind::Separator: {
      auto& line = static_cast<TSeparator&>(control);
      RECT r = Scaled(line);
      if (line.After && Handle(*line.After)) {
        // The line starts 3 pixels after the heading's text.
        HWND heading = Handle(*line.After);
        HDC dc = GetDC(heading);
        HGDIOBJ old = SelectObject(dc, FontFor(*line.After));
        SIZE size = {};
        const std::string& caption = line.After->Caption();
        GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(heading, dc);
        RECT h = Scaled(*line.After);
        SetWindowPos(heading, nullptr, h.left, h.top, size.cx + 1, h.bottom - h.top, SWP_NOZORDER | SWP_NOACTIVATE);
        r.left = h.left + size.cx + Scale(3);
      }
      SetWindowPos(handle, nullptr, r.left, r.top, std::max(0L, r.right - r.left), r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    case TControlKind::Image:
      InvalidateRect(handle, nullptr, TRUE);
      break;
  }
  if (control.Kind != TControlKind::PageControl)
    ShowWindow(handle, control.Visible() && (!control.Sheet || control.Sheet->PageControl->ActivePage() == control.Sheet)
                           ? SW_SHOWNA
                           : SW_HIDE);
  pushing_.pop_back();
}

void TWin32Window::FitColumns(HWND handle, const TListView& list) {
  RECT client = {};
  GetClientRect(handle, &client);
  int rest = client.right;
  for (size_t i = 0; i < list.Columns().size(); ++i)
    if (!list.Columns()[i].AutoSize) rest -= ListView_GetColumnWidth(handle, static_cast<int>(i));
  for (size_t i = 0; i < list.Columns().size(); ++i)
    if (list.Columns()[i].AutoSize && ListView_GetColumnWidth(handle, static_cast<int>(i)) != rest)
      ListView_SetColumnWidth(handle, static_cast<int>(i), std::max(rest, Scale(40)));
}

void TWin32Window::ShowActivePage() {
  for (TControl* control : form_.Controls()) {
    if (!control->Sheet) continue;
    HWND handle = Handle(*control);
    if (!handle) continue;
    const bool shown = control->Visible() && control->Sheet->PageControl->ActivePage() == control->Sheet;
    ShowWindow(handle, shown ? SW_SHOWNA : SW_HIDE);
  }
}

void TWin32Window::Pull(TControl& control, int notification) {
  HWND handle = Handle(control);
  if (std::find(pushing_.begin(), pushing_.end(), &control) != pushing_.end()) return;
  // What the user just did is on screen already: it is not written back while the form
  // takes it in.
  TControl* const outer = pulling_;
  pulling_ = &control;
  struct Restore {
    TControl*& pulling;
    TControl* outer;
    ~Restore() { pulling = outer; }
  } restore{pulling_, outer};
  switch (control.Kind) {
    case TControlKind::Edit:
      if (notification == EN_CHANGE) {
        auto& edit = static_cast<TEdit&>(control);
        const std::string text = WindowText(handle);
        if (text != edit.Text()) edit.Type(text);
      }
      break;
    case TControlKind::CheckBox:
      if (notification == BN_CLICKED)
        static_cast<TCheckBox&>(control).SetChecked(SendMessageA(handle, BM_GETCHECK, 0, 0) == BST_CHECKED);
      break;
    case TControlKind::Button:
      if (notification == BN_CLICKED) static_cast<TButton&>(control).Click();
      break;
    case TControlKind::LinkLabel:
      if (notification == STN_CLICKED) static_cast<TLinkLabel&>(control).Click();
      break;
    case TControlKind::ComboBox: {
      auto& box = static_cast<TComboBox&>(control);
      if (notification == CBN_SELCHANGE) {
        box.Select(static_cast<int>(SendMessageA(handle, CB_GETCURSEL, 0, 0)));
      } else if (notification == CBN_EDITCHANGE) {
        const std::string text = WindowText(handle);
        if (text != box.Text()) box.Type(text);
      }
      break;
    }
    default:
      break;
  }
}

void TWin32Window::HoverLink(TLinkLabel* link) {
  if (link == hovered_) return;
  if (hovered_) hovered_->MouseLeave();
  hovered_ = link;
  if (hovered_) hovered_->MouseEnter();
}

LRESULT CALLBACK TWin32Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TWin32Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  // An exception must not unwind through the system's message dispatch.
  try {
    return self->OnMessage(message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

LRESULT TWin32Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDOK && !lParam) {
        form_.PressEnter();
        return 0;
      }
      if (id == IDCANCEL && !lParam) {
        form_.PressEscape();
        return 0;
      }
      if (TControl* control = ControlOf(reinterpret_cast<HWND>(lParam))) Pull(*control, HIWORD(wParam));
      return 0;
    }
    case DM_GETDEFID:
      for (TControl* control : form_.Controls())
        if (control->Kind == TControlKind::Button && static_cast<TButton*>(control)->Default)
          return MAKELRESULT(GetDlgCtrlID(Handle(*control)), DC_HASDEFID);
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      TControl* control = ControlOf(header->hwndFrom);
      if (!control) return 0;
      if (control->Kind == TControlKind::PageControl && header->code == TCN_SELCHANGE) {
        static_cast<TPageControl*>(control)->SelectPage(TabCtrl_GetCurSel(header->hwndFrom));
        ShowActivePage();
      } else if (control->Kind == TControlKind::ListView) {
        auto& list = *static_cast<TListView*>(control);
        if (header->code == LVN_ITEMCHANGED) {
          auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
          if ((change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) &&
              std::find(pushing_.begin(), pushing_.end(), control) == pushing_.end())
            list.Select(static_cast<int>(ListView_GetNextItem(header->hwndFrom, -1, LVNI_SELECTED)));
        } else if (header->code == NM_DBLCLK) {
          list.DblClick();
        }
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      TControl* control = ControlOf(reinterpret_cast<HWND>(lParam));
      auto dc = reinterpret_cast<HDC>(wParam);
      SetBkMode(dc, TRANSPARENT);
      if (control && control->Kind == TControlKind::LinkLabel) SetTextColor(dc, control->Enabled() ? kNavy : GetSysColor(COLOR_GRAYTEXT));
      if (control && control->Sheet && pageBrush_) {
        SetBkColor(dc, pageColour_);
        return reinterpret_cast<LRESULT>(pageBrush_);
      }
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR: {
      TControl* control = ControlOf(reinterpret_cast<HWND>(wParam));
      auto* link = control && control->Kind == TControlKind::LinkLabel ? static_cast<TLinkLabel*>(control) : nullptr;
      HoverLink(link);
      if (link) {
        SetCursor(LoadCursorA(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case WM_DRAWITEM: {
      auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      TControl* control = ControlOf(draw->hwndItem);
      if (control && control->Kind == TControlKind::Image) {
        auto& image = static_cast<TImage&>(*control);
        const int width = draw->rcItem.right - draw->rcItem.left, height = draw->rcItem.bottom - draw->rcItem.top;
        FillRect(draw->hDC, &draw->rcItem, control->Sheet && pageBrush_ ? pageBrush_ : GetSysColorBrush(COLOR_BTNFACE));
        if (image.Picture) {
          // Shared: loaded once per size, not at every paint.
          if (auto icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(image.Picture),
                                                        IMAGE_ICON, width, height, LR_SHARED)))
            DrawIconEx(draw->hDC, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
        } else if (HIMAGELIST images = ImagesNamed(image.Images); images && image.ImageIndex >= 0) {
          CommonControls().ImageList_Draw(images, image.ImageIndex, draw->hDC, 0, 0, ILD_TRANSPARENT);
        }
      }
      return TRUE;
    }
    case WM_CLOSE:
      form_.Close();
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

void TWin32Window::FocusFirstControl() {
  HWND handle = nullptr;
  if (TControl* focus = form_.ActiveControl()) handle = Handle(*focus);
  if (!handle || !IsWindowVisible(handle) || !IsWindowEnabled(handle)) handle = GetNextDlgTabItem(window_, nullptr, FALSE);
  if (handle) SetFocus(handle);
}

// Ctrl+Tab and Ctrl+Shift+Tab turn the pages, as in every property sheet.
bool TWin32Window::TurnPage(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || (GetKeyState(VK_CONTROL) & 0x8000) == 0) return false;
  if (msg.hwnd != window_ && !IsChild(window_, msg.hwnd)) return false;
  for (TControl* control : form_.Controls()) {
    if (control->Kind != TControlKind::PageControl) continue;
    auto& pages = static_cast<TPageControl&>(*control);
    const int count = static_cast<int>(pages.Pages().size());
    if (count < 2) return false;
    const int step = (GetKeyState(VK_SHIFT) & 0x8000) ? count - 1 : 1;
    pages.SelectPage((pages.ActivePageIndex() + step) % count);
    ShowActivePage();
    // The focus stays on the tabs, or goes to them from a control now hidden.
    HWND focus = GetFocus();
    if (!focus || !IsWindowVisible(focus)) SetFocus(Handle(pages));
    return true;
  }
  return false;
}

int TWin32Window::RunModal() {
  form_.ModalShow();
  const bool ownerWasEnabled = owner_ && IsWindowEnabled(owner_);
  if (ownerWasEnabled) EnableWindow(owner_, FALSE);
  ShowWindow(window_, SW_SHOW);
  // From here on, whatever this window opens belongs to it.
  std::optional<ModalStack::Entry> modal(std::in_place, window_);
  FocusFirstControl();
  UpdateWindow(window_);
  MatchPageColour();
  if (OnShown) OnShown(*this);

  MSG msg;
  while (!form_.ModalEnded()) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1 && (msg.hwnd == window_ || IsChild(window_, msg.hwnd))) {
      form_.FormHelp();
      continue;
    }
    if (TurnPage(msg)) continue;
    if (!IsDialogMessageA(window_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  HoverLink(nullptr);
  // The owner is enabled before this window hides, so that Windows activates the owner and
  // not some other window.
  modal.reset();
  if (ownerWasEnabled) EnableWindow(owner_, TRUE);
  ShowWindow(window_, SW_HIDE);
  if (owner_) SetActiveWindow(owner_);
  form_.ModalHide();
  return form_.ModalEnded() ? form_.ModalResultValue() : mrCancel;
}

namespace {
// An image list of small icons from the program's resources; null when they are missing.
HIMAGELIST SmallIcons(int first, int count) {
  HDC screen = GetDC(nullptr);
  const int size = MulDiv(16, GetDeviceCaps(screen, LOGPIXELSY), 96);
  ReleaseDC(nullptr, screen);
  HIMAGELIST list = CommonControls().ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, count, 0);
  for (int i = 0; i < count; ++i) {
    auto icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(first + i), IMAGE_ICON, size, size, 0));
    if (!icon) {
      CommonControls().ImageList_Destroy(list);
      return nullptr;
    }
    CommonControls().ImageList_ReplaceIcon(list, -1, icon);
    DestroyIcon(icon);
  }
  return list;
}
}  // namespace

void UseRealDialogs(Win32UserInterface& ui) {
  ui.SetModalPresenter([](ModalWindow& modal, HWND owner) {
    // The dialogs' pictures are loaded when the first dialog opens, not at start-up.
    if (!ImagesNamed(kMainImages)) TWin32Window::RegisterImageList(kMainImages, SmallIcons(IDI_MAIN_FIRST, IDI_MAIN_COUNT));
    if (!ImagesNamed(kLanguageImages))
      TWin32Window::RegisterImageList(kLanguageImages, SmallIcons(IDI_LANGUAGE_FIRST, IDI_LANGUAGE_COUNT));
    auto* form = dynamic_cast<TForm*>(&modal);
    if (!form) {
      modal.ModalShow();
      modal.ModalEscape();
      modal.ModalHide();
      return mrCancel;
    }
    TWin32Window window(*form, owner);
    return window.RunModal();
  });
}
