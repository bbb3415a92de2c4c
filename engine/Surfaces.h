#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class TNetworkDriveItem;
struct Platform;

// Message kinds: image indices into the main image list.
enum TMessageKind : int { mkInformation = 0, mkWarning = 1, mkError = 2, mkProgram = 20, mkVolume = 21 };

// Images of the drive states (rows and the notification-area picture).
constexpr int kImageConnected = 3;
constexpr int kImageUnknown = 5;
constexpr int kImageDisconnected = 6;
constexpr int kImageError = 12;
// A drive whose connect or disconnect is under way.
constexpr int kImageConnecting = 18;
constexpr int kImageDisconnecting = 4;

struct TMessageRow {
  int ImageIndex = 0;
  std::string Text;
  std::string Time;  // local time, long time format
};

struct TDriveRow {
  int ImageIndex = 0;
  std::string Cells[5];  // Drive, Name, Configured location, Current location, Free
  TNetworkDriveItem* Drive = nullptr;
};

// The balloon message at the notification-area icon, withdrawn 10 s after the latest one.
class TBalloonHint {
 public:
  explicit TBalloonHint(Platform& platform);
  ~TBalloonHint();
  TBalloonHint(const TBalloonHint&) = delete;
  TBalloonHint& operator=(const TBalloonHint&) = delete;

  // kind: 0 none, 1 information, 2 warning, 3 error.
  void ShowBalloon(const std::string& title, const std::string& text, int kind);
  void HideBalloon();

  bool Visible = false;
  std::string Title;  // at most 63 characters
  std::string Text;   // at most 255 characters
  int Kind = 0;
  int ShownCount = 0;  // balloons shown so far
  std::function<void()> OnChanged;

 private:
  Platform& platform_;
  uint32_t timer_ = 0;
};

// Everything the main window shows of the engine, as data; the window only draws it.
class TSurfaces {
 public:
  explicit TSurfaces(Platform& platform);

  // Newest first. The program runs for months in the tray; only the newest MaxMessages
  // lines are kept, the oldest going as new ones come.
  void AddMessage(int imageIndex, const std::string& text);
  static constexpr size_t MaxMessages = 5000;
  void SetTrayPicture(int imageIndex);
  void SetTrayTip(const std::string& tip);  // keeps the first 127 characters
  void SetStatusText(const std::string& text);
  // Tells a window that something shown here has changed, so that it redraws once
  // instead of comparing everything after every event.
  void Changed() {
    if (OnChanged) OnChanged();
  }

  std::deque<TMessageRow> Messages;
  // Every line ever added, including those gone since: a window compares it with what it
  // has shown to tell how many lines are new.
  uint64_t MessagesAdded = 0;
  std::vector<TDriveRow> DriveRows;
  int SelectedDriveRow = -1;
  std::string StatusText;
  int TrayPicture = kImageUnknown;
  std::string TrayTip;
  TBalloonHint BalloonHintMessage;
  // Called after each survey has rebuilt the drive rows (and cleared the selection).
  std::function<void()> OnDriveRowsRebuilt;
  std::function<void()> OnChanged;

 private:
  template <typename T>
  void Set(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
  }

  Platform& platform_;
};
