#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/WinTypes.h"
#include "platform/sim/SimMachine.h"

using namespace win;

namespace {

NetResource Resource(const char* local, const char* remote) {
  NetResource resource;
  resource.LocalName = local;
  resource.RemoteName = remote;
  return resource;
}

// A background thread on the simulated clock: it wakes at least once a second
// of simulated time and hands its work to the main thread through a synchronized call.
class Ticker {
 public:
  Ticker(SimMachine& pc, int64_t firstDueMs, int64_t intervalMs, std::function<void()> work)
      : pc_(pc), due_(firstDueMs), interval_(intervalMs), work_(std::move(work)) {
    pc_.platform().clock.AttachThread();
    thread_ = std::thread([this] { Run(); });
  }
  ~Ticker() { Stop(); }

  void Reschedule(int64_t dueMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    due_ = dueMs;
    pc_.platform().clock.Wake(wake_);
  }
  void Stop() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
      wake_.notify_all();
    }
    while (!finished_) pc_.platform().ui.MainThread().WaitAndRun(5);
    thread_.join();
  }

 private:
  void Run() {
    Clock& clock = pc_.platform().clock;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
      int64_t now = clock.NowMs();
      if (now >= due_) {
        due_ += interval_;
        lock.unlock();
        pc_.platform().ui.MainThread().Call(work_);
        lock.lock();
        continue;
      }
      clock.WaitUntil(lock, wake_, std::min(due_, now + 1000));
    }
    lock.unlock();
    clock.DetachThread();
    finished_ = true;
  }

  SimMachine& pc_;
  std::mutex mutex_;
  std::condition_variable wake_;
  int64_t due_;
  int64_t interval_;
  bool stop_ = false;
  std::atomic<bool> finished_{false};
  std::function<void()> work_;
  std::thread thread_;
};

}  // namespace

TEST(SimMachineNetwork, ConnectAndCancelGiveTheCodesWindowsGives) {
  SimMachine pc;
  Network& net = pc.platform().network;
  Drives& drives = pc.platform().drives;
  pc.AddShare("\\\\nas\\media").FreeBytes = 25;
  pc.FindShare("\\\\NAS\\Media")->TotalBytes = 100;

  EXPECT_EQ(net.AddConnection2(Resource("H:", "\\\\other\\media"), nullptr, nullptr, 0), ERROR_BAD_NETPATH);
  EXPECT_EQ(net.AddConnection2(Resource("H:", "\\\\nas\\films"), nullptr, nullptr, 0), ERROR_BAD_NET_NAME);
  EXPECT_EQ(drives.GetDriveType("H:\\"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(drives.GetFileAttributes("H:"), INVALID_FILE_ATTRIBUTES);

  ASSERT_EQ(net.AddConnection2(Resource("H:", "\\\\NAS\\media"), nullptr, nullptr, 0), NO_ERROR);
  EXPECT_EQ(pc.MappingOf('H'), "\\\\NAS\\media");
  EXPECT_EQ(drives.GetDriveType("H:\\"), DRIVE_REMOTE);
  EXPECT_EQ(drives.GetDriveType("H:"), DRIVE_REMOTE);
  EXPECT_EQ(drives.GetLogicalDrives(), (1u << 2) | (1u << 7));
  EXPECT_EQ(drives.GetFileAttributes("H:"), FILE_ATTRIBUTE_DIRECTORY);
  uint64_t freeBytes = 0, totalBytes = 0;
  ASSERT_TRUE(drives.GetDiskFreeSpaceEx("H:\\", freeBytes, totalBytes));
  EXPECT_EQ(freeBytes, 25u);
  EXPECT_EQ(totalBytes, 100u);
  std::string universal;
  EXPECT_EQ(net.GetUniversalName("H:", universal), NO_ERROR);
  EXPECT_EQ(universal, "\\\\NAS\\media");
  EXPECT_EQ(net.AddConnection("\\\\nas\\media", nullptr, "H:"), ERROR_ALREADY_ASSIGNED);

  // The server goes away: the mapping stays, the letter no longer answers.
  pc.SetServerReachable("Nas", false);
  EXPECT_EQ(drives.GetFileAttributes("H:"), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(drives.GetDiskFreeSpaceEx("H:\\", freeBytes, totalBytes));
  EXPECT_EQ(net.GetUniversalName("H:", universal), NO_ERROR);
  EXPECT_EQ(net.AddConnection2(Resource("K:", "\\\\nas\\media"), nullptr, nullptr, 0), ERROR_BAD_NETPATH);
  pc.SetServerReachable("nas", true);

  pc.SetOpenFiles('H', true);
  EXPECT_EQ(net.CancelConnection2("H:", CONNECT_UPDATE_PROFILE, false), ERROR_OPEN_FILES);
  pc.SetOpenFiles('H', false);
  pc.SetDeviceInUse('H', true);
  EXPECT_EQ(net.CancelConnection2("H:", CONNECT_UPDATE_PROFILE, false), ERROR_DEVICE_IN_USE);
  EXPECT_EQ(pc.MappingOf('H'), "\\\\NAS\\media");
  EXPECT_EQ(net.CancelConnection2("h:", CONNECT_UPDATE_PROFILE, true), NO_ERROR);
  EXPECT_EQ(pc.MappingOf('H'), "");
  EXPECT_EQ(net.CancelConnection2("H:", CONNECT_UPDATE_PROFILE, true), ERROR_NOT_CONNECTED);
  EXPECT_EQ(net.GetUniversalName("H:", universal), ERROR_NOT_CONNECTED);

  // Every call is on record, with null credentials kept apart from given ones.
  ASSERT_GE(pc.NetCalls.size(), 3u);
  EXPECT_EQ(pc.NetCalls[0].Call, "AddConnection2");
  EXPECT_EQ(pc.NetCalls[0].Result, ERROR_BAD_NETPATH);
  EXPECT_FALSE(pc.NetCalls[0].UserNameGiven);
  EXPECT_FALSE(pc.NetCalls[0].PasswordGiven);
  EXPECT_EQ(pc.NetCalls.back().Call, "GetUniversalName");
  EXPECT_EQ(pc.NetCalls.back().Result, ERROR_NOT_CONNECTED);
}

TEST(SimMachineNetwork, LocalDevicesAndOutsideMappingsHoldTheirLetters) {
  SimMachine pc;
  Network& net = pc.platform().network;
  pc.AddShare("\\\\nas\\media");
  pc.SetLocalDrive('E', DRIVE_REMOVABLE, 5, 10);
  pc.MapFromOutside('K', "\\\\nas\\other");  // a share the network does not know
  std::string universal;
  EXPECT_EQ(net.AddConnection2(Resource("E:", "\\\\nas\\media"), nullptr, nullptr, 0), ERROR_ALREADY_ASSIGNED);
  EXPECT_EQ(net.CancelConnection2("E:", CONNECT_UPDATE_PROFILE, true), ERROR_NOT_CONNECTED);
  EXPECT_EQ(net.AddConnection2(Resource("K:", "\\\\nas\\media"), nullptr, nullptr, 0), ERROR_ALREADY_ASSIGNED);
  EXPECT_EQ(pc.platform().drives.GetFileAttributes("K:"), INVALID_FILE_ATTRIBUTES);

  // A mapping with a trailing backslash is reported without it.
  ASSERT_EQ(net.AddConnection2(Resource("M:", "\\\\nas\\media\\"), nullptr, nullptr, 0), NO_ERROR);
  EXPECT_EQ(net.GetUniversalName("M:", universal), NO_ERROR);
  EXPECT_EQ(universal, "\\\\nas\\media");
}

TEST(SimMachineNetwork, CredentialsOfSharesAndSessions) {
  SimMachine pc;
  Network& net = pc.platform().network;
  SimShare& secret = pc.AddShare("\\\\nas\\secret");
  secret.RequiredUser = "bob";
  secret.RequiredPassword = "Pa55";
  pc.AddShare("\\\\nas\\public");

  EXPECT_EQ(net.AddConnection2(Resource("S:", "\\\\nas\\secret"), nullptr, nullptr, 0), ERROR_LOGON_FAILURE);
  EXPECT_EQ(net.AddConnection2(Resource("S:", "\\\\nas\\secret"), "pa55", "bob", 0), ERROR_LOGON_FAILURE);
  EXPECT_EQ(net.AddConnection2(Resource("S:", "\\\\nas\\secret"), nullptr, "bob", 0), ERROR_LOGON_FAILURE);
  EXPECT_EQ(net.AddConnection("\\\\nas\\secret", "Pa55", "S:"), ERROR_LOGON_FAILURE);  // as alice
  ASSERT_EQ(net.AddConnection2(Resource("S:", "\\\\nas\\secret"), "Pa55", "BOB", 0), NO_ERROR);
  EXPECT_EQ(pc.MappingUserOf('S'), "BOB");
  EXPECT_TRUE(pc.NetCalls.back().UserNameGiven);
  EXPECT_EQ(pc.NetCalls.back().Password, "Pa55");

  // A second user for the same server conflicts; the logged-on user's call reuses bob's session.
  EXPECT_EQ(net.AddConnection2(Resource("P:", "\\\\NAS\\public"), "x", "alice", 0), ERROR_SESSION_CREDENTIAL_CONFLICT);
  EXPECT_EQ(net.AddConnection2(Resource("P:", "\\\\nas\\public"), nullptr, nullptr, 0), NO_ERROR);
  EXPECT_EQ(pc.MappingUserOf('P'), "BOB");

  // Once bob's connections are gone, alice may connect by name.
  ASSERT_EQ(net.CancelConnection2("S:", 0, true), NO_ERROR);
  ASSERT_EQ(net.CancelConnection2("P:", 0, true), NO_ERROR);
  EXPECT_EQ(net.AddConnection2(Resource("P:", "\\\\nas\\public"), "x", "alice", 0), NO_ERROR);
}

TEST(SimMachineDevices, VanishedVolumeReachesTheHandlerAsTheWindowReceivesIt) {
  SimMachine pc;
  pc.AddShare("\\\\nas\\media");
  ASSERT_EQ(pc.platform().network.AddConnection2(Resource("H:", "\\\\nas\\media"), nullptr, nullptr, 0), NO_ERROR);
  std::vector<DeviceChange> received;
  std::vector<std::string> mappingSeen;
  pc.SetDeviceChangeHandler([&](const DeviceChange& change) {
    received.push_back(change);
    mappingSeen.push_back(pc.MappingOf('H'));
  });
  pc.VanishVolume('H');
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].Event, DBT_DEVICEREMOVECOMPLETE);
  EXPECT_EQ(received[0].DeviceType, DBT_DEVTYP_VOLUME);
  EXPECT_EQ(received[0].UnitMask, 1u << 7);
  EXPECT_EQ(received[0].Flags, DBTF_NET);
  EXPECT_EQ(mappingSeen[0], "");  // already gone when the notification arrives
  EXPECT_EQ(pc.platform().drives.GetDriveType("H:\\"), DRIVE_NO_ROOT_DIR);
}

TEST(SimMachineClock, BackgroundThreadRunsExactlyOnSimulatedTime) {
  SimMachine pc;
  std::vector<int64_t> ranAt;
  std::vector<std::string> times;
  {
    Ticker ticker(pc, 2500, 2500, [&] {
      ranAt.push_back(pc.NowMs());
      times.push_back(pc.platform().clock.LocalTimeText());
    });
    pc.Settle();
    EXPECT_EQ(pc.AttachedThreads(), 1);
    pc.Advance(2499);
    EXPECT_TRUE(ranAt.empty());
    pc.Advance(6000);
    EXPECT_EQ(pc.NowMs(), 8499);
    EXPECT_EQ(ranAt, (std::vector<int64_t>{2500, 5000, 7500}));
    EXPECT_EQ(times.front(), "09:00:02");

    // A schedule the main thread changes is taken in before time moves on.
    ticker.Reschedule(9000);
    pc.Advance(600);
    EXPECT_EQ(ranAt.back(), 9000);
  }
  EXPECT_EQ(pc.AttachedThreads(), 0);
}

TEST(SimMachineClock, SynchronizedCallsWaitForTheMainThreadAndMayNestEventProcessing) {
  SimMachine pc;
  pc.AddShare("\\\\nas\\media");
  UserInterface& ui = pc.platform().ui;
  int runs = 0;
  int64_t ranAt = -1;
  Ticker ticker(pc, 1000, 60000, [&] {
    ++runs;
    ranAt = pc.NowMs();
    // Like a connect run: network calls that take time, events processed between drives.
    pc.platform().network.AddConnection2(Resource("H:", "\\\\nas\\media"), nullptr, nullptr, 0);
    ui.ProcessMessages();
  });
  pc.Settle();
  pc.SetNetworkDelay(2000);
  // A network call serves the main thread's messages while it waits: the thread's call
  // comes at its time, inside the wait, and its own call keeps the main thread past the
  // first one's end.
  std::string universal;
  pc.platform().network.GetUniversalName("Z:", universal);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(ranAt, 1000);
  EXPECT_EQ(pc.MappingOf('H'), "\\\\nas\\media");
  EXPECT_EQ(pc.NowMs(), 3000);
  ui.ProcessMessages();
  EXPECT_EQ(runs, 1);
}

TEST(SimMachineClock, MainThreadTimersFireWhenDue) {
  SimMachine pc;
  UserInterface& ui = pc.platform().ui;
  std::vector<int64_t> fired;
  int second = 0;
  uint32_t id = ui.SetTimer(1000, [&] { fired.push_back(pc.NowMs()); });
  uint32_t once = 0;
  once = ui.SetTimer(1500, [&] {
    ++second;
    ui.KillTimer(once);  // a handler may kill its own timer
  });
  EXPECT_NE(id, 0u);
  pc.Advance(3500);
  EXPECT_EQ(fired, (std::vector<int64_t>{1000, 2000, 3000}));
  EXPECT_EQ(second, 1);

  // A long network call serves the messages while it waits: the timer keeps its time.
  pc.SetNetworkDelay(2600);
  std::string universal;
  pc.platform().network.GetUniversalName("H:", universal);
  EXPECT_EQ(pc.NowMs(), 6100);
  EXPECT_EQ(fired, (std::vector<int64_t>{1000, 2000, 3000, 4000, 5000, 6000}));
  ui.KillTimer(id);
  pc.Advance(5000);
  EXPECT_EQ(fired.size(), 6u);
}
