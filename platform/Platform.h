#pragma once
#include "platform/Clock.h"
#include "platform/DataProtection.h"
#include "platform/Drives.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Network.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/UserInterface.h"

// Every service of the machine the program runs on: the real Windows one
// (platform/win32) or the simulated one (platform/sim).
struct Platform {
  Network& network;
  Drives& drives;
  Files& files;
  Registry& registry;
  Shell& shell;
  Environment& environment;
  Clock& clock;
  UserInterface& ui;
  DataProtection& protection;
};
