// Drive records as the rest of the program uses them: reset after a removal, deep copies
// for the properties dialog, and letter lookup.
#include <gtest/gtest.h>

#include "data/NetworkDrives.h"

namespace {

void FillDrive(TNetworkDriveItem& drive, int volumes, int programs) {
  drive.NetworkLocation = R"(\\nas\media)";
  drive.NetworkName = "Media";
  drive.Username = "alice";
  drive.Password = "s3cret";
  drive.UnreadablePassword = "!protected:elsewhere";
  drive.RealLocation = R"(\\nas\media)";
  drive.QbyControl = true;
  drive.DeploymentDrive = true;
  drive.State = dsConnected;
  drive.FreeSpace = 42;
  drive.VolumesHaveBeenMounted = true;
  drive.ProgramsHaveBeenRunned = true;
  for (int i = 0; i < volumes; ++i) {
    auto volume = std::make_unique<TTrueCryptVolumeItem>();
    volume->Drive = std::string(1, static_cast<char>('T' + i)) + ":";
    volume->Volume = R"(H:\vault)" + std::to_string(i) + ".tc";
    volume->Password = "pw" + std::to_string(i);
    volume->UnreadablePassword = "!protected:" + std::to_string(i);
    volume->Options = "/q";
    drive.TrueCryptVolumesList.push_back(std::move(volume));
  }
  for (int i = 0; i < programs; ++i) {
    auto program = std::make_unique<TRunProgramItem>();
    program->Program = R"(C:\Tools\sync)" + std::to_string(i) + ".exe";
    program->Parameters = "--quiet";
    drive.RunProgramsList.push_back(std::move(program));
  }
}

void ExpectNotUnderControl(const TNetworkDriveItem& drive) {
  EXPECT_TRUE(drive.NetworkLocation.empty());
  EXPECT_TRUE(drive.NetworkName.empty());
  EXPECT_TRUE(drive.Username.empty());
  EXPECT_TRUE(drive.Password.empty());
  EXPECT_TRUE(drive.UnreadablePassword.empty());
  EXPECT_TRUE(drive.RealLocation.empty());
  EXPECT_FALSE(drive.QbyControl);
  EXPECT_FALSE(drive.DeploymentDrive);
  EXPECT_FALSE(drive.VolumesHaveBeenMounted);
  EXPECT_FALSE(drive.ProgramsHaveBeenRunned);
  EXPECT_EQ(drive.State, dsUnknown);
  EXPECT_EQ(drive.FreeSpace, -1);
  EXPECT_TRUE(drive.TrueCryptVolumesList.empty());
  EXPECT_TRUE(drive.RunProgramsList.empty());
}

TEST(DriveRecords, NewAndRemovedDrivesCarryNoConfigurationButKeepTheirLetter) {
  TNetworkDriveItems drives;
  TNetworkDriveItem& fresh = *drives.Add();
  fresh.Drive = "H:";
  fresh.DriveNumber = 8;
  ExpectNotUnderControl(fresh);
  EXPECT_EQ(fresh.Collection(), &drives);

  FillDrive(fresh, 2, 3);
  fresh.Reset();
  ExpectNotUnderControl(fresh);
  EXPECT_EQ(fresh.Drive, "H:");
  EXPECT_EQ(fresh.DriveNumber, 8);
  EXPECT_EQ(drives.Count(), 1);
}

TEST(DriveRecords, CopyIsDeepAndReplacesTheTargetsLists) {
  TNetworkDriveItems drives;
  TNetworkDriveItem& source = *drives.Add();
  source.Drive = "H:";
  source.DriveNumber = 8;
  FillDrive(source, 3, 2);
  TNetworkDriveItem& target = *drives.Add();
  target.Drive = "K:";
  FillDrive(target, 1, 0);
  target.TrueCryptVolumesList[0]->Volume = "old";

  target.Assign(&source);

  EXPECT_EQ(target.Drive, "H:");
  EXPECT_EQ(target.DriveNumber, 8);
  EXPECT_EQ(target.Password, "s3cret");
  EXPECT_EQ(target.UnreadablePassword, "!protected:elsewhere");  // a dialog's save must keep it
  EXPECT_EQ(target.State, dsConnected);
  EXPECT_EQ(target.FreeSpace, 42);
  EXPECT_TRUE(target.DeploymentDrive);
  EXPECT_TRUE(target.VolumesHaveBeenMounted);
  ASSERT_EQ(target.TrueCryptVolumesList.size(), 3u);
  ASSERT_EQ(target.RunProgramsList.size(), 2u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(target.TrueCryptVolumesList[i]->Volume, source.TrueCryptVolumesList[i]->Volume);
    EXPECT_EQ(target.TrueCryptVolumesList[i]->Password, "pw" + std::to_string(i));
    EXPECT_EQ(target.TrueCryptVolumesList[i]->UnreadablePassword, "!protected:" + std::to_string(i));
    EXPECT_NE(target.TrueCryptVolumesList[i].get(), source.TrueCryptVolumesList[i].get());
  }
  EXPECT_EQ(target.RunProgramsList[1]->Program, R"(C:\Tools\sync1.exe)");

  // Editing the copy, as the properties dialog does, leaves the original alone.
  target.TrueCryptVolumesList[0]->Password = "changed";
  target.RunProgramsList[0]->Parameters = "changed";
  EXPECT_EQ(source.TrueCryptVolumesList[0]->Password, "pw0");
  EXPECT_EQ(source.RunProgramsList[0]->Parameters, "--quiet");

  // No source: nothing changes; copying onto itself keeps the lists.
  target.Assign(nullptr);
  EXPECT_EQ(target.TrueCryptVolumesList.size(), 3u);
  source.Assign(&source);
  EXPECT_EQ(source.TrueCryptVolumesList.size(), 3u);
  EXPECT_EQ(source.RunProgramsList.size(), 2u);
}

TEST(DriveRecords, FindDriveMatchesTheExactDriveText) {
  TNetworkDriveItems drives;
  EXPECT_EQ(drives.FindDrive("H:"), nullptr);
  for (char letter : std::string("ADHZ")) {
    TNetworkDriveItem& drive = *drives.Add();
    drive.Drive = std::string(1, letter) + ":";
    drive.DriveNumber = letter - 'A' + 1;
  }
  ASSERT_NE(drives.FindDrive("H:"), nullptr);
  EXPECT_EQ(drives.FindDrive("H:")->DriveNumber, 8);
  EXPECT_EQ(drives.FindDrive("Z:"), drives.Items(3));
  EXPECT_EQ(drives.FindDrive("h:"), nullptr);
  EXPECT_EQ(drives.FindDrive("H"), nullptr);
  EXPECT_EQ(drives.FindDrive("C:"), nullptr);  // a local disk has no record
  EXPECT_EQ(drives.FindDrive(""), nullptr);
}

TEST(DriveRecords, WorkingCopyOfTheCollectionComesBackIntoTheSameRecords) {
  TNetworkDriveItems drives;
  for (char letter : std::string("DH")) drives.Add()->Drive = std::string(1, letter) + ":";
  TNetworkDriveItem* original = drives.FindDrive("H:");

  TNetworkDriveItems copy;
  copy.Assign(drives);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_NE(copy.FindDrive("H:"), original);
  EXPECT_EQ(copy.FindDrive("H:")->Collection(), &copy);
  FillDrive(*copy.FindDrive("H:"), 1, 1);
  EXPECT_FALSE(original->QbyControl);

  drives.Assign(copy);
  EXPECT_EQ(drives.FindDrive("H:"), original);
  EXPECT_TRUE(original->QbyControl);
  EXPECT_EQ(original->TrueCryptVolumesList.size(), 1u);
  EXPECT_EQ(original->Collection(), &drives);

  // Different letters: the target takes the source's letters.
  TNetworkDriveItems other;
  other.Add()->Drive = "Q:";
  drives.Assign(other);
  ASSERT_EQ(drives.Count(), 1);
  EXPECT_EQ(drives.Items(0)->Drive, "Q:");
  EXPECT_EQ(drives.Items(0)->Collection(), &drives);
}

}  // namespace
