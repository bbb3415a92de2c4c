#pragma once
// The program's dialogs on a simulated machine, created after start-up as the program
// creates them, so that their texts come from the loaded language.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/WinTypes.h"
#include "support/TestApp.h"
#include "ui/About.h"
#include "ui/AddNetworkDrive.h"
#include "ui/AddRunProgram.h"
#include "ui/AddTrueCryptVolume.h"
#include "ui/Preferences.h"

struct Dialogs : ::testing::Test, TestMachine {
  std::unique_ptr<TAddRunProgramForm> runProgram;
  std::unique_ptr<TAddTrueCryptVolumeForm> volume;
  std::unique_ptr<TAddNetworkDriveForm> properties;
  std::unique_ptr<TPreferencesForm> preferences;
  std::unique_ptr<TAboutForm> about;

  void CreateDialogs() {
    runProgram = std::make_unique<TAddRunProgramForm>(app.engine);
    volume = std::make_unique<TAddTrueCryptVolumeForm>(app.engine);
    properties = std::make_unique<TAddNetworkDriveForm>(app.engine, *runProgram, *volume);
    preferences = std::make_unique<TPreferencesForm>(app.engine);
    about = std::make_unique<TAboutForm>(app.engine);
  }
  void StartWith(const std::vector<TestDrive>& drives) {
    app.StartWithShares(drives);
    CreateDialogs();
  }
  // The texts of the message boxes shown since the last call.
  std::vector<std::string> NewBoxes() {
    std::vector<std::string> texts;
    for (size_t i = boxesSeen_; i < pc.MessageBoxes.size(); ++i) texts.push_back(pc.MessageBoxes[i].Text);
    boxesSeen_ = pc.MessageBoxes.size();
    return texts;
  }
  // Opens the properties dialog on a drive ("" adds one) and lets the user act.
  void EditDrive(const std::string& drive, std::function<void(TAddNetworkDriveForm&)> user) {
    properties->Drive = drive;
    pc.WhenModal([this, user] { user(*properties); });
    properties->ShowModal();
  }
  std::vector<std::string> Rows(const TListView& list) const {
    std::vector<std::string> rows;
    for (const TListItem& item : list.Items()) {
      std::string row = item.Caption;
      for (const std::string& sub : item.SubItems) row += "|" + sub;
      rows.push_back(row);
    }
    return rows;
  }

 private:
  size_t boxesSeen_ = 0;
};
