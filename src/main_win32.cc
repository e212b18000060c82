// vortiq.exe: a GUI-subsystem program that shows no window and prints nothing.
// It takes its parameters from the whole command line, as the IDE passes it.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <string>
#include <vector>

#include "base/utf8.h"
#include "run/command_line.h"
#include "run/run.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // A path on a drive without a disk (or a damaged medium) fails the run; no
  // system dialog opens for the IDE to wait behind.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  const std::u16string_view command_line(reinterpret_cast<const char16_t*>(GetCommandLineW()));
  std::vector<std::string> parameters;
  for (const std::u16string& parameter : vortiq::CommandLineParameters(command_line)) {
    parameters.push_back(vortiq::Utf16ToWtf8(parameter));
  }
  return vortiq::Run(parameters);
}
