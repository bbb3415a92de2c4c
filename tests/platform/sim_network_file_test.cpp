#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/WinTypes.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimNetworkFile.h"
#include "platform/sim/SimNetworkWatcher.h"
#include "platform/sim/SimulatedNetwork.h"

using namespace win;
using ::testing::HasSubstr;

namespace {

const char* const ExampleFile =
    "; Letters taken by local devices at start.\r\n"
    "[Letters]\r\n"
    "C=fixed\r\n"
    "D=cdrom\r\n"
    "[Mappings]\r\n"
    "K=\\\\nas\\old\r\n"
    "[Share \\\\nas\\media]\r\n"
    "Online=1\r\n"
    "User=\r\n"
    "Password=\r\n"
    "TotalMB=1000\r\n"
    "FreeMB=250\r\n"
    "OpenFiles=0\r\n"
    "DelayMs=0\r\n"
    "[Share \\\\nas\\vault]\r\n"
    "User=bob\r\n"
    "Password=\"it's\xE9\"\r\n"
    "[Events]\r\n"
    "Vanish=\r\n";

SimNetworkFile Read(const std::string& text) {
  SimNetworkFile file;
  std::string reason;
  EXPECT_TRUE(ReadSimNetworkFile(text, file, reason)) << reason;
  return file;
}

std::string Damage(const std::string& text) {
  SimNetworkFile file;
  std::string reason;
  EXPECT_FALSE(ReadSimNetworkFile(text, file, reason)) << text;
  EXPECT_TRUE(file.Shares.empty() && file.Letters.empty() && file.Mappings.empty()) << "damaged text leaves nothing";
  return reason;
}

NetResource Resource(const char* local, const char* remote) {
  NetResource resource;
  resource.LocalName = local;
  resource.RemoteName = remote;
  return resource;
}

}  // namespace

TEST(SimulatedNetworkFile, ReadsTheDocumentedFormatWithoutRegardToCase) {
  SimNetworkFile file = Read(ExampleFile);
  ASSERT_EQ(file.Letters.size(), 2u);
  EXPECT_EQ(file.Letters[1].Drive, 'D');
  EXPECT_EQ(file.Letters[1].DriveType, DRIVE_CDROM);
  ASSERT_EQ(file.Mappings.size(), 1u);
  EXPECT_EQ(file.Mappings[0].Remote, "\\\\nas\\old");
  ASSERT_EQ(file.Shares.size(), 2u);
  EXPECT_EQ(file.Shares[0].FreeMB, 250u);
  EXPECT_TRUE(file.Shares[0].User.empty());
  // Windows-1252 bytes and quotes come back exactly.
  EXPECT_EQ(file.Shares[1].Password, "\"it's\xE9\"");

  // Names in any case; a share named twice is one share; Vanish letters in any case.
  SimNetworkFile mixed = Read(
      "[letters]\nh=RamDisk\n[SHARE \\\\NAS\\Media\\]\nonline=0\n[share \\\\nas\\media]\nFREEMB=5\n"
      "[events]\nvanish=hk\n");
  EXPECT_EQ(mixed.Letters[0].Drive, 'H');
  EXPECT_EQ(mixed.Letters[0].DriveType, DRIVE_RAMDISK);
  ASSERT_EQ(mixed.Shares.size(), 1u);
  EXPECT_FALSE(mixed.Shares[0].Online);
  EXPECT_EQ(mixed.Shares[0].FreeMB, 5u);
  EXPECT_EQ(mixed.Vanish, "HK");

  // An empty file is an empty network, not a damaged one.
  EXPECT_TRUE(Read("").Shares.empty());
}

TEST(SimulatedNetworkFile, DamagedTextIsRefusedWithTheLineThatIsWrong) {
  EXPECT_THAT(Damage("[Share \\\\nas\\media]\nOnline=yes\n"), HasSubstr("line 2"));
  EXPECT_THAT(Damage("[Share \\\\nas\\media]\nOnlin=1\n"), HasSubstr("unknown key"));
  EXPECT_THAT(Damage("[Share \\\\nas\\media]\nTotalMB=-5\n"), HasSubstr("megabytes"));
  EXPECT_THAT(Damage("[Share \\\\nas\\media]\nTotalMB=99999999999999999999999\n"), HasSubstr("megabytes"));
  EXPECT_THAT(Damage("[Share \\\\nas\\media]\nDelayMs=600000\n"), HasSubstr("milliseconds"));
  EXPECT_THAT(Damage("[Share \\\\nas\\media]\nTotalMB=10\nFreeMB=20\n"), HasSubstr("FreeMB is larger"));
  EXPECT_THAT(Damage("[Share nas\\media]\n"), HasSubstr("line 1"));
  EXPECT_THAT(Damage("[Share \\\\nas\\media\\docs]\n"), HasSubstr("names no share"));
  EXPECT_THAT(Damage("[Letters\nC=fixed\n"), HasSubstr("without closing"));
  EXPECT_THAT(Damage("[Letters]\nC=floppy\n"), HasSubstr("fixed, removable"));
  EXPECT_THAT(Damage("[Letters]\nCD=fixed\n"), HasSubstr("drive letter"));
  EXPECT_THAT(Damage("[Mappings]\nK=nas\\old\n"), HasSubstr("network location"));
  EXPECT_THAT(Damage("[Letters]\nK=fixed\n[Mappings]\nK=\\\\nas\\old\n"), HasSubstr("letter K"));
  EXPECT_THAT(Damage("[Events]\nVanish=H1\n"), HasSubstr("drive letters"));
  EXPECT_THAT(Damage("C=fixed\n"), HasSubstr("before the first"));
  EXPECT_THAT(Damage("[Drives]\n"), HasSubstr("unknown section"));
  EXPECT_THAT(Damage("[Letters]\njust words\n"), HasSubstr("neither"));
  EXPECT_THAT(Damage(std::string("[Letters]\nC=fi\0xed\n", 18)), HasSubstr("binary"));
}

TEST(SimulatedNetworkBuild, SharesAnswerAsTheFileSays) {
  SimMachine pc;  // for its clock only
  SimulatedNetwork net(pc.platform().clock, "alice");
  net.Build(Read(ExampleFile));
  Network& wnet = net.network();
  Drives& drives = net.drives();

  EXPECT_EQ(drives.GetDriveType("D:\\"), DRIVE_CDROM);
  EXPECT_EQ(drives.GetDriveType("E:\\"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(net.MappingOf('K'), "\\\\nas\\old");
  EXPECT_EQ(drives.GetDriveType("K:\\"), DRIVE_REMOTE);
  // Not listed: no provider accepts the path, whatever the server.
  EXPECT_EQ(wnet.AddConnection2(Resource("M:", "\\\\other\\x"), nullptr, nullptr, 0), ERROR_NO_NET_OR_BAD_PATH);
  EXPECT_EQ(wnet.AddConnection2(Resource("M:", "\\\\nas\\missing"), nullptr, nullptr, 0), ERROR_NO_NET_OR_BAD_PATH);

  ASSERT_EQ(wnet.AddConnection2(Resource("M:", "\\\\nas\\media"), nullptr, nullptr, 0), NO_ERROR);
  uint64_t freeBytes = 0, totalBytes = 0;
  ASSERT_TRUE(drives.GetDiskFreeSpaceEx("M:\\", freeBytes, totalBytes));
  EXPECT_EQ(freeBytes, 250ull << 20);
  EXPECT_EQ(totalBytes, 1000ull << 20);

  // A share that needs a user: missing or wrong password 1326, the right one connects
  // (once alice's own connections to the server are gone).
  EXPECT_EQ(wnet.AddConnection2(Resource("V:", "\\\\nas\\vault"), nullptr, nullptr, 0), ERROR_LOGON_FAILURE);
  EXPECT_EQ(wnet.CancelConnection2("M:", 0, false), NO_ERROR);
  EXPECT_EQ(wnet.CancelConnection2("K:", 0, false), NO_ERROR);
  EXPECT_EQ(wnet.AddConnection2(Resource("V:", "\\\\nas\\vault"), "wrong", "bob", 0), ERROR_LOGON_FAILURE);
  EXPECT_EQ(wnet.AddConnection2(Resource("V:", "\\\\nas\\vault"), nullptr, "bob", 0), ERROR_LOGON_FAILURE);
  EXPECT_EQ(wnet.AddConnection2(Resource("V:", "\\\\nas\\vault"), "\"it's\xE9\"", "bob", 0), NO_ERROR);

  // Weeks of keep-alive calls keep only the newest in the journal, the last one last.
  std::string remote;
  for (size_t i = 0; i < 3 * SimulatedNetwork::kJournalLimit; ++i) wnet.GetUniversalName("V:", remote);
  EXPECT_LE(net.NetCalls.size(), SimulatedNetwork::kJournalLimit);
  EXPECT_GE(net.NetCalls.size(), SimulatedNetwork::kJournalLimit / 2);
  EXPECT_EQ(wnet.CancelConnection2("V:", 0, false), NO_ERROR);
  EXPECT_EQ(net.NetCalls.back().Call, "CancelConnection2");
}

TEST(SimulatedNetworkBuild, EditsChangeSharesAndVanishDropsMappingsWithANotification) {
  SimMachine pc;
  SimulatedNetwork net(pc.platform().clock, "alice");
  std::vector<DeviceChange> notes;
  net.SetDeviceChangeHandler([&](const DeviceChange& change) { notes.push_back(change); });
  net.Build(Read("[Mappings]\nH=\\\\nas\\media\n[Share \\\\nas\\media]\n[Events]\nVanish=H\n"));
  EXPECT_EQ(net.MappingOf('H'), "\\\\nas\\media") << "the Vanish value present at start drops nothing";
  EXPECT_TRUE(notes.empty());

  // Offline: connects answer 1231, the mapping answers nothing; open files refuse a cancel.
  net.Apply(Read("[Share \\\\nas\\media]\nOnline=0\nOpenFiles=1\n[Events]\nVanish=H\n"));
  Network& wnet = net.network();
  EXPECT_EQ(wnet.AddConnection2(Resource("M:", "\\\\nas\\media"), nullptr, nullptr, 0), ERROR_NETWORK_UNREACHABLE);
  EXPECT_EQ(net.drives().GetFileAttributes("H:\\"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(wnet.CancelConnection2("H:", 0, false), ERROR_OPEN_FILES);

  // Back online with a delay: calls to the share take that long.
  net.Apply(Read("[Share \\\\nas\\media]\nDelayMs=700\n[Share \\\\nas\\new]\n[Events]\nVanish=H\n"));
  EXPECT_EQ(net.drives().GetFileAttributes("H:\\"), FILE_ATTRIBUTE_DIRECTORY);
  int64_t before = pc.NowMs();
  EXPECT_EQ(wnet.AddConnection2(Resource("M:", "\\\\nas\\media"), nullptr, nullptr, 0), NO_ERROR);
  EXPECT_EQ(pc.NowMs() - before, 700);
  EXPECT_EQ(wnet.AddConnection2(Resource("N:", "\\\\nas\\new"), nullptr, nullptr, 0), NO_ERROR) << "a new share";

  // Vanish changes: both mappings go, each with the removal notification of a network volume.
  net.Apply(Read("[Share \\\\nas\\media]\n[Share \\\\nas\\new]\n[Events]\nVanish=hm\n"));
  EXPECT_EQ(net.MappingOf('H'), "");
  EXPECT_EQ(net.MappingOf('M'), "");
  EXPECT_EQ(net.MappingOf('N'), "\\\\nas\\new");
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].Event, DBT_DEVICEREMOVECOMPLETE);
  EXPECT_EQ(notes[0].UnitMask, 1u << ('H' - 'A'));
  EXPECT_EQ(notes[0].Flags, DBTF_NET);
  EXPECT_EQ(notes[1].UnitMask, 1u << ('M' - 'A'));
  // The same value again drops nothing; a share taken out of the file is gone.
  net.Apply(Read("[Share \\\\nas\\media]\n[Events]\nVanish=HM\n"));
  EXPECT_EQ(notes.size(), 2u);
  EXPECT_EQ(wnet.AddConnection2(Resource("P:", "\\\\nas\\new"), nullptr, nullptr, 0), ERROR_NO_NET_OR_BAD_PATH);
}

namespace {
class SimulatedNetworkWatch : public ::testing::Test {
 protected:
  const std::string path = "C:\\Program Files\\Quillbay\\SimulatedNetwork.ini";
  SimMachine pc;
  SimulatedNetwork net{pc.platform().clock, "alice"};
  SimNetworkWatcher watcher{net, pc.platform().files, pc.platform().ui, pc.platform().environment, path};
  std::vector<std::pair<int, std::string>> lines;

  void Listen() {
    watcher.SetReporter([this](int kind, const std::string& text) { lines.emplace_back(kind, text); });
  }
  uint32_t Connect(const char* local, const char* remote) {
    return net.network().AddConnection2(Resource(local, remote), nullptr, nullptr, 0);
  }
};
}  // namespace

TEST_F(SimulatedNetworkWatch, EveryEditIsAppliedWithinASecond) {
  pc.WriteFile(path, "[Share \\\\nas\\media]\nOnline=1\n");
  watcher.Start();
  Listen();
  EXPECT_TRUE(lines.empty());
  ASSERT_EQ(Connect("H:", "\\\\nas\\media"), NO_ERROR);

  pc.WriteFile(path, "[Share \\\\nas\\media]\nOnline=0\n");
  pc.Advance(1000);
  EXPECT_EQ(Connect("M:", "\\\\nas\\media"), ERROR_NETWORK_UNREACHABLE);

  pc.WriteFile(path, "[Share \\\\nas\\media]\nOnline=1\nFreeMB=3\nTotalMB=4\n");
  pc.Advance(1000);
  uint64_t freeBytes = 0, totalBytes = 0;
  ASSERT_TRUE(net.drives().GetDiskFreeSpaceEx("H:\\", freeBytes, totalBytes));
  EXPECT_EQ(freeBytes, 3ull << 20);
  EXPECT_TRUE(lines.empty()) << "edits in order write no line";
}

TEST_F(SimulatedNetworkWatch, AMissingFileGivesAnEmptyNetworkAndALineThatWaitsForTheList) {
  watcher.Start();
  EXPECT_EQ(net.drives().GetLogicalDrives(), 0u) << "every letter free";
  Listen();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].first, 1);
  EXPECT_THAT(lines[0].second, HasSubstr("SimulatedNetwork.ini is missing"));
  EXPECT_THAT(lines[0].second, HasSubstr("empty"));

  // Written later: the network is built from it then, local devices included.
  pc.WriteFile(path, "[Letters]\nC=fixed\n[Share \\\\nas\\media]\n");
  pc.Advance(1000);
  EXPECT_EQ(net.drives().GetDriveType("C:\\"), DRIVE_FIXED);
  EXPECT_EQ(Connect("H:", "\\\\nas\\media"), NO_ERROR);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_THAT(lines[1].second, HasSubstr("in order again"));
}

TEST_F(SimulatedNetworkWatch, ADamagedFileNeverStopsTheProgramAndLosesNothing) {
  pc.WriteFile(path, "[Share \\\\nas\\media]\nFreeMB=lots\n");
  watcher.Start();
  Listen();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_THAT(lines[0].second, HasSubstr("damaged: line 2"));
  EXPECT_EQ(Connect("H:", "\\\\nas\\media"), ERROR_NO_NET_OR_BAD_PATH) << "an empty network";

  pc.WriteFile(path, "[Share \\\\nas\\media]\nFreeMB=1\n");
  pc.Advance(1000);
  ASSERT_EQ(Connect("H:", "\\\\nas\\media"), NO_ERROR);

  // Damaged while running: the network stays as it was, one line however long it stays so.
  pc.WriteFile(path, "[Share \\\\nas\\media\nFreeMB=1\n");
  pc.Advance(3000);
  EXPECT_EQ(Connect("M:", "\\\\nas\\media"), NO_ERROR);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_THAT(lines[2].second, HasSubstr("stays as it was"));

  // A file that cannot be read for a moment (an editor saving it) is looked at again.
  pc.FailReads(path, true);
  pc.Advance(1000);
  EXPECT_EQ(lines.size(), 3u);
  pc.FailReads(path, false);
  pc.RemoveFile(path);
  pc.Advance(1000);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_THAT(lines[3].second, HasSubstr("missing; the simulated network stays as it was"));
  EXPECT_EQ(net.MappingOf('H'), "\\\\nas\\media");

  // Far too large: refused unread at every look, said once.
  pc.WriteFile(path, "[Share \\\\nas\\media]\nOnline=0\n;" + std::string(Files::MaxFileSize, 'x'));
  pc.Advance(3000);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_THAT(lines[4].second, HasSubstr("larger than 16 MB; the simulated network stays as it was"));
  EXPECT_EQ(Connect("N:", "\\\\nas\\media"), NO_ERROR);
}

TEST(SimulatedNetworkFile, TheExampleShippedBesideTheProgramIsInOrder) {
  std::ifstream in(std::string(QUILLBAY_SOURCE_DIR) + "/resources/example/SimulatedNetwork.ini", std::ios::binary);
  ASSERT_TRUE(in) << "resources/example/SimulatedNetwork.ini";
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  SimNetworkFile file = Read(text);
  EXPECT_GE(file.Shares.size(), 3u);
  EXPECT_TRUE(file.Vanish.empty());
}

TEST(SimulatedNetworkBuild, AShareBackOnlineAndTheEventKeysTellTheProgram) {
  SimMachine pc;
  SimulatedNetwork net(pc.platform().clock, "alice");
  std::vector<NetworkEventKind> events;
  net.SetNetworkEventHandler([&](NetworkEventKind kind) { events.push_back(kind); });
  net.Build(Read("[Share \\\\nas\\media]\nOnline=0\n[Events]\nNetworkChange=1\nResume=a\n"));
  EXPECT_TRUE(events.empty()) << "the values present at start fire nothing";

  net.Apply(Read("[Share \\\\nas\\media]\nOnline=0\n[Events]\nNetworkChange=1\nResume=a\n"));
  EXPECT_TRUE(events.empty()) << "nothing changed";
  net.Apply(Read("[Share \\\\nas\\media]\nOnline=1\n[Events]\nNetworkChange=1\nResume=a\n"));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0], NetworkEventKind::NetworkChanged) << "the share came back";
  net.Apply(Read("[Share \\\\nas\\media]\nOnline=0\n[Events]\nNetworkChange=1\nResume=a\n"));
  EXPECT_EQ(events.size(), 1u) << "a share going away is not announced";
  net.Apply(Read("[Share \\\\nas\\media]\nOnline=0\n[Events]\nNetworkChange=2\nResume=b\n"));
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[1], NetworkEventKind::NetworkChanged);
  EXPECT_EQ(events[2], NetworkEventKind::Resumed);
}
