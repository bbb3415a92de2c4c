// Runs the connection engine on the real machine the way the main window does, for tests
// that watch from outside what reaches Windows: the configuration comes from
// %APPDATA%\Quillbay.ini and Languages.ini beside this program, as at a real start.
//
// Usage: EngineProbe.exe command [drive] ...  run in the order given:
//   connect-all, disconnect-all, connect-selected X:, disconnect-selected X:, remove X:
//   wnet-add2 X: remote flags, wnet-cancel2 X: flags force   the bare calls, for controls
// Output (QUILLBAY_PROBE_OUTPUT, else EngineProbe.out.txt beside the program), written
// when all commands are done, under a temporary name and then renamed:
//   message<TAB>image index<TAB>text      oldest first
//   drive<TAB>X:<TAB>state<TAB>current location
#include <cstdio>
#include <string>
#include <vector>

#include "data/Configuration.h"
#include "data/Languages.h"
#include "engine/Engine.h"
#include "engine/Surfaces.h"
#include "platform/win32/Win32Platform.h"

namespace {

std::string OutputFileName(Platform& platform) {
  char fromEnvironment[MAX_PATH * 2];
  const DWORD length = GetEnvironmentVariableA("QUILLBAY_PROBE_OUTPUT", fromEnvironment, sizeof fromEnvironment);
  if (length > 0 && length < sizeof fromEnvironment) return fromEnvironment;
  return ExecutableFolder(platform) + "EngineProbe.out.txt";
}

bool Select(TEngine& engine, TSurfaces& surfaces, const std::string& drive) {
  engine.UpdateDriveStatus();
  for (size_t row = 0; row < surfaces.DriveRows.size(); ++row)
    if (surfaces.DriveRows[row].Drive && surfaces.DriveRows[row].Drive->Drive == drive) {
      surfaces.SelectedDriveRow = static_cast<int>(row);
      return true;
    }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Win32Platform machine;
  Platform& platform = machine.platform();
  TLanguage language;
  TQbyConfiguration configuration(platform, language);
  TSurfaces surfaces(platform);
  TEngine engine(platform, configuration, language, surfaces);
  ReadConfigurationAndTexts(configuration, language);
  engine.SyncThreadValues();
  engine.UpdateDriveStatus();

  int status = 0;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& command = arguments[i];
    const bool takesDrive = command == "connect-selected" || command == "disconnect-selected" || command == "remove";
    const std::string drive = takesDrive && i + 1 < arguments.size() ? arguments[++i] : "";
    if (takesDrive && !Select(engine, surfaces, drive)) {
      std::fprintf(stderr, "EngineProbe: %s is not a configured drive\n", drive.c_str());
      status = 2;
      continue;
    }
    if (command == "connect-all") engine.ActionDrivesConnectDrivesExecute();
    else if (command == "disconnect-all") engine.ActionDrivesDisconnectDrivesExecute();
    else if (command == "connect-selected") engine.ActionDrivesConnectSelectedDriveExecute();
    else if (command == "disconnect-selected") engine.ActionDrivesDisconnectSelectedDriveExecute();
    else if (command == "remove") engine.RemoveDrives(drive);
    else if (command == "wnet-add2" && i + 3 < arguments.size()) {
      const std::string local = arguments[++i], remote = arguments[++i];
      NetResource resource;
      resource.LocalName = local.c_str();
      resource.RemoteName = remote.c_str();
      platform.network.AddConnection2(resource, nullptr, nullptr, std::stoul(arguments[++i]));
    } else if (command == "wnet-cancel2" && i + 3 < arguments.size()) {
      const std::string local = arguments[++i];
      const uint32_t flags = std::stoul(arguments[++i]);
      platform.network.CancelConnection2(local.c_str(), flags, arguments[++i] == "1");
    }
    else {
      std::fprintf(stderr, "EngineProbe: unknown command %s\n", command.c_str());
      status = 2;
    }
  }

  const std::string output = OutputFileName(platform);
  const std::string temporary = output + ".tmp";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return 3;
  for (auto row = surfaces.Messages.rbegin(); row != surfaces.Messages.rend(); ++row)
    std::fprintf(file, "message\t%d\t%s\n", row->ImageIndex, row->Text.c_str());
  for (int i = 0; i < configuration.NetworkDrives.Count(); ++i) {
    const TNetworkDriveItem& item = *configuration.NetworkDrives.Items(i);
    if (item.QbyControl)
      std::fprintf(file, "drive\t%s\t%d\t%s\n", item.Drive.c_str(), static_cast<int>(item.State), item.RealLocation.c_str());
  }
  std::fclose(file);
  if (!MoveFileExA(temporary.c_str(), output.c_str(), MOVEFILE_REPLACE_EXISTING)) return 3;
  return status;
}
