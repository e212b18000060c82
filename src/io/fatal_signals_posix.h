// Removing temporary files when a signal ends the process. A signal whose
// default action ends the process (SIGTERM, SIGINT, SIGHUP, ...) first removes
// every registered file and then ends the process as it would have without
// the handler, so a caller still sees "killed by SIGTERM". Signals that were
// ignored when the handler was installed (SIGHUP under nohup) stay ignored.
#ifndef VORTIQ_IO_FATAL_SIGNALS_POSIX_H_
#define VORTIQ_IO_FATAL_SIGNALS_POSIX_H_

#include <signal.h>

#include <string_view>

namespace vortiq {

// While an object of this class lives, the calling thread holds back the
// signals that end the process, so that creating, renaming or removing a file
// and registering it change together. The first one installs the handler.
class FatalSignalsHeld {
 public:
  FatalSignalsHeld();
  ~FatalSignalsHeld();
  FatalSignalsHeld(const FatalSignalsHeld&) = delete;
  FatalSignalsHeld& operator=(const FatalSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

// Registers the file `name` in the open directory `directory` for removal by
// the handler. Returns the registration for ForgetRemoval, or -1 when all
// places are taken (then the file is not removed). Call while signals are
// held, and keep `directory` open until the registration is forgotten.
[[nodiscard]] int RemoveOnFatalSignal(int directory, std::string_view name);

// Ends a registration (the file has been renamed or removed). -1 is none.
void ForgetRemoval(int registration);

}  // namespace vortiq

#endif  // VORTIQ_IO_FATAL_SIGNALS_POSIX_H_
