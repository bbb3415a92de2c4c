#include "platform/sim/SimProcess.h"

bool SimProcess::CreateNamedMutex(const std::string& name, bool& alreadyExists) {
  MutexName = name;
  alreadyExists = !mutexes_.Held.insert(name).second;
  OwnsMutex = !alreadyExists;
  return true;
}

void SimProcess::ReleaseNamedMutex() {
  if (OwnsMutex) mutexes_.Held.erase(MutexName);
  OwnsMutex = false;
}
