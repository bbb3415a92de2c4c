#include "data/IniFile.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/SimMachine.h"

namespace {

const std::string kPath = "C:\\Users\\alice\\AppData\\Roaming\\Quillbay.ini";

TEST(IniFileScenario, MissingFileGivesDefaultsAndTheFirstSaveCreatesIt) {
  SimMachine machine;
  TIniFile ini(machine.platform(), kPath);
  EXPECT_TRUE(ini.Load());
  EXPECT_EQ(ini.ReadString("Preferences", "Language", "English"), "English");
  EXPECT_EQ(ini.ReadInteger("Preferences", "DelayVolumeMount", 5), 5);
  EXPECT_TRUE(ini.ReadBool("Preferences", "MinimizeOnStartup", true));
  EXPECT_FALSE(ini.SectionExists("Preferences"));

  ini.WriteBool("Preferences", "FirstTimeUsage", false);
  ini.WriteInteger("Preferences", "DelayVolumeMount", -12);
  ini.WriteString("Preferences", "Language", "Deutsch");
  EXPECT_FALSE(machine.HasFile(kPath));  // nothing reaches the disk before UpdateFile
  ini.UpdateFile();
  EXPECT_EQ(machine.ReplaceCount, 1);
  EXPECT_EQ(machine.FileBytes(kPath),
            "[Preferences]\r\nFirstTimeUsage=0\r\nDelayVolumeMount=-12\r\nLanguage=Deutsch\r\n");

  TIniFile again(machine.platform(), kPath);
  EXPECT_TRUE(again.Load());
  EXPECT_FALSE(again.ReadBool("Preferences", "FirstTimeUsage", true));
  EXPECT_EQ(again.ReadInteger("Preferences", "DelayVolumeMount", 5), -12);
  EXPECT_EQ(again.ReadSectionKeys("preferences"),
            (std::vector<std::string>{"FirstTimeUsage", "DelayVolumeMount", "Language"}));
}

TEST(IniFileScenario, UnreadableFileGivesDefaultsAndSaysSo) {
  SimMachine machine;
  machine.WriteFile(kPath, "[Preferences]\r\nLanguage=Deutsch\r\n");
  machine.FailReads(kPath, true);
  TIniFile ini(machine.platform(), kPath);
  EXPECT_FALSE(ini.Load());
  EXPECT_EQ(ini.ReadString("Preferences", "Language", "English"), "English");

  machine.FailReads(kPath, false);
  EXPECT_TRUE(ini.Load());
  EXPECT_EQ(ini.ReadString("Preferences", "Language", "English"), "Deutsch");
}

TEST(IniFileScenario, FailedReplaceRaisesTheErrorAndKeepsTheOldFile) {
  SimMachine machine;
  const std::string old = "; mine\r\n[NetworkDrive_H:]\r\nNetworkLocation=\\\\nas\\home\r\n";
  machine.WriteFile(kPath, old);
  TIniFile ini(machine.platform(), kPath);
  ASSERT_TRUE(ini.Load());
  ini.EraseSection("NetworkDrive_H:");
  machine.FailWrites(true);
  try {
    ini.UpdateFile();
    FAIL() << "a refused replace must raise";
  } catch (const EIniFileError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + kPath);
  }
  EXPECT_EQ(machine.FileBytes(kPath), old);

  machine.FailWrites(false);
  ini.UpdateFile();
  EXPECT_EQ(machine.FileBytes(kPath), "; mine\r\n");
}

TEST(IniFileScenario, NumbersAndBooleansAsTheConfigurationReadsThem) {
  SimMachine machine;
  machine.WriteFile(kPath,
                    "[N]\r\nhex=0x1F\r\nHEX=0X7fffffff\r\nallBits=0xFFFFFFFF\r\ntooWide=0x100000000\r\n"
                    "justPrefix=0x\r\nbadHex=0x1G\r\nneg=-2147483648\r\nbig=2147483648\r\nplus=+42\r\n"
                    "junk=12abc\r\nempty=\r\nquotedBlank=\" 7\"\r\nzero=0\r\ntwo=2\r\nword=yes\r\n");
  TIniFile ini(machine.platform(), kPath);
  ASSERT_TRUE(ini.Load());
  EXPECT_EQ(ini.ReadInteger("N", "hex", -1), 31);
  EXPECT_EQ(ini.ReadInteger("N", "allBits", 5), -1);
  EXPECT_EQ(ini.ReadInteger("N", "tooWide", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "justPrefix", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "badHex", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "neg", 5), INT32_MIN);
  EXPECT_EQ(ini.ReadInteger("N", "big", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "plus", 5), 42);
  EXPECT_EQ(ini.ReadInteger("N", "junk", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "empty", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "quotedBlank", 5), 5);
  EXPECT_EQ(ini.ReadInteger("N", "missing", 5), 5);
  EXPECT_FALSE(ini.ReadBool("N", "zero", true));
  EXPECT_TRUE(ini.ReadBool("N", "two", false));
  EXPECT_TRUE(ini.ReadBool("N", "word", true));
  EXPECT_FALSE(ini.ReadBool("N", "word", false));

  int32_t value = 0;
  EXPECT_TRUE(ParseIniInteger("0X7fffffff", value));
  EXPECT_EQ(value, INT32_MAX);
  EXPECT_TRUE(ParseIniInteger("0x0000000000a", value));
  EXPECT_EQ(value, 10);
  EXPECT_TRUE(ParseIniInteger("00", value));
  EXPECT_EQ(value, 0);
  for (const char* text : {"", "-", "+", " 1", "1 ", "0x", "0X", "x10", "-0x10", "1e3", "99999999999999999999"})
    EXPECT_FALSE(ParseIniInteger(text, value)) << text;
}

}  // namespace
