// A look at the connection engine on the simulated machine: a start-up with three
// drives, one of whose servers is off-line, then a few minutes of keep-alive runs in
// which the server comes back. Prints the message list as the main window would show it.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "data/Configuration.h"
#include "data/Languages.h"
#include "engine/Engine.h"
#include "engine/HeartBeatThread.h"
#include "engine/Surfaces.h"
#include "platform/WinTypes.h"
#include "platform/sim/SimMachine.h"

namespace {

std::string ReadLanguages(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void PrintNewMessages(const TSurfaces& surfaces, uint64_t& printed) {
  static const char* kinds[] = {"info ", "warn ", "error"};
  const size_t fresh = static_cast<size_t>(std::min<uint64_t>(surfaces.MessagesAdded - printed, surfaces.Messages.size()));
  for (size_t i = fresh; i-- > 0;) {
    const TMessageRow& row = surfaces.Messages[i];
    const char* kind = row.ImageIndex <= 2 ? kinds[row.ImageIndex] : row.ImageIndex == 20 ? "prog " : "vol  ";
    std::printf("%s  %s  %s\n", row.Time.c_str(), kind, row.Text.c_str());
  }
  printed = surfaces.MessagesAdded;
}

}  // namespace

int main(int argc, char** argv) {
  const char* languages = argc > 1 ? argv[1] : "Languages.ini";
  SimMachine pc;
  pc.SetLocalDrive('D', win::DRIVE_CDROM);
  pc.AddShare(R"(\\nas\media)");
  pc.AddShare(R"(\\nas\backup)").FreeBytes = 3ull << 30;
  pc.AddShare(R"(\\office\projects)");
  pc.SetServerReachable("office", false);
  pc.MapFromOutside('K', R"(\\old\share)");

  Platform& platform = pc.platform();
  pc.WriteFile(ExecutableFolder(platform) + "Languages.ini", ReadLanguages(languages));
  std::string ini =
      "[NetworkDrive_M:]\r\nNetworkLocation=\\\\nas\\media\r\nNetworkName=Media\r\n"
      "[NetworkDrive_B:]\r\nNetworkLocation=\\\\nas\\backup\r\nNetworkName=Backup\r\n"
      "Username=alice\r\nPassword=Kefp7DZ/\r\n"
      "[NetworkDrive_P:]\r\nNetworkLocation=\\\\office\\projects\r\nNetworkName=Projects\r\n"
      "[NetworkDrive_K:]\r\nNetworkLocation=\\\\nas\\media\r\nNetworkName=Taken back\r\n";
  pc.WriteFile(ConfigurationFileName(platform), ini);

  TLanguage language;
  TQbyConfiguration configuration(platform, language);
  TSurfaces surfaces(platform);
  TEngine engine(platform, configuration, language, surfaces);
  ReadConfigurationAndTexts(configuration, language);
  engine.SyncThreadValues();

  uint64_t printed = 0;
  {
    THeartBeatThread heartBeat(platform, engine);
    engine.UpdateDriveStatus();
    engine.AddMessage(mkInformation, engine.T(10226));
    engine.ConnectDrives(false, "");
    if (engine.CurrentConnectionError) {
      engine.AddMessage(mkInformation, engine.T(10312));
      heartBeat.StartShortInterval();
    }
    PrintNewMessages(surfaces, printed);
    pc.Advance(35000);
    PrintNewMessages(surfaces, printed);
    pc.SetServerReachable("office", true);
    std::printf("--- the office server is back ---\n");
    pc.Advance(90000);
    PrintNewMessages(surfaces, printed);
  }
  std::printf("\nDrive list:\n");
  for (const TDriveRow& row : surfaces.DriveRows)
    std::printf("  %-3s %-10s %-20s %-20s %s\n", row.Cells[0].c_str(), row.Cells[1].c_str(),
                row.Cells[2].c_str(), row.Cells[3].c_str(), row.Cells[4].c_str());
  std::printf("\nStatus bar:\n%s\n", surfaces.StatusText.c_str());

  configuration.SaveConfiguration();
  std::string saved = pc.FileBytes(ConfigurationFileName(platform));
  saved.erase(std::remove(saved.begin(), saved.end(), '\r'), saved.end());
  std::printf("\nSaved %s:\n%s", ConfigurationFileName(platform).c_str(), saved.c_str());
  return 0;
}
