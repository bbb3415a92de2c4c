#pragma once
#include <functional>
#include <string>

// A command of the main window. Menu entries, tool bar buttons and popup entries show its
// caption and image and follow its enabled state; the real window reads them again after
// every event it hands on.
class TAction {
 public:
  TAction(std::string name, int imageIndex, std::string shortCut = "")
      : Name(std::move(name)), ImageIndex(imageIndex), ShortCut(std::move(shortCut)) {}
  TAction(const TAction&) = delete;
  TAction& operator=(const TAction&) = delete;

  // Runs the handler as a click or the shortcut does: only while enabled. True when it ran.
  bool Execute();

  const std::string Name;  // "AMDrivesConnectDrives"
  std::string Caption;
  int ImageIndex = -1;     // into the main image list; -1: none
  std::string ShortCut;    // "F1", or empty
  bool Enabled = true;
  std::function<void()> OnExecute;
};
