#pragma once
#include <string>

// A TrueCrypt volume to mount once its drive has connected.
class TTrueCryptVolumeItem {
 public:
  std::string Drive;     // letter TrueCrypt mounts the volume on, e.g. "T:"
  std::string Volume;    // container file or device path
  std::string Password;  // plain in memory; empty: TrueCrypt asks
  std::string UnreadablePassword;  // as the drive's, for this volume's password
  std::string Options;   // further TrueCrypt options, passed on as typed
};
