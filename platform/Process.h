#pragma once
#include <string>

// What the program entry needs of its process: the single-instance guard and COM.
class Process {
 public:
  virtual ~Process() = default;
  // CreateMutex without security attributes, initially owned, under this name (UTF-8:
  // it is the program's file name).
  // alreadyExists: GetLastError() then gave ERROR_ALREADY_EXISTS (another instance holds
  // it). False when no mutex could be made at all.
  virtual bool CreateNamedMutex(const std::string& name, bool& alreadyExists) = 0;
  // ReleaseMutex and close the mutex made above; nothing when there is none.
  virtual void ReleaseNamedMutex() = 0;
  // CoInitializeEx on the calling thread (apartment threaded): some shell verbs and the
  // mailto link need it before the first ShellExecuteA.
  virtual void InitializeCom() = 0;
  virtual void UninitializeCom() = 0;
};
