#include "io/fatal_signals_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>

#include "io/temporary_name.h"

namespace vortiq {
namespace {

// The signals whose default action ends the process (those of POSIX, the
// real-time ones and the system's own). Not SIGKILL and SIGSTOP, which cannot
// be caught, nor those that are ignored, stop or continue by default.
constexpr int kTerminating[] = {
    SIGABRT,   SIGALRM, SIGBUS,  SIGFPE,  SIGHUP,  SIGILL,  SIGINT,    SIGPIPE, SIGPROF, SIGQUIT,
    SIGSEGV,   SIGSYS,  SIGTERM, SIGTRAP, SIGUSR1, SIGUSR2, SIGVTALRM, SIGXCPU, SIGXFSZ,
#if defined(SIGPOLL)
    SIGPOLL,  // SIGIO on Linux, which the source's lease brings: ignored before, so left so
#endif
#if defined(SIGPWR)
    SIGPWR,
#endif
#if defined(SIGSTKFLT)
    SIGSTKFLT,
#endif
};

// Faults that an instruction raises: returning from the handler runs it again.
bool IsFault(int signal) {
  return signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE;
}

constexpr int kSignalSlots = 129;     // signal numbers below this are handled
constexpr size_t kRegistrations = 8;  // files registered at the same time

struct Registration {
  std::atomic<bool> taken{false};
  std::atomic<int> directory{-1};  // set last: the name is complete once it is >= 0
  char name[kMaxFileNameLength + 1] = {};
};

std::array<Registration, kRegistrations> registrations;
std::array<struct sigaction, kSignalSlots> previous_actions;
sigset_t handled;

template <typename Each>
void ForEachTerminatingSignal(Each each) {
  for (const int signal : kTerminating) each(signal);
#if defined(SIGRTMIN) && defined(SIGRTMAX)
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) each(signal);
#endif
}

// Only async-signal-safe calls from here on.
void OnTerminatingSignal(int signal, siginfo_t* info, void*) {
  const int saved_errno = errno;
  for (Registration& registration : registrations) {
    const int directory = registration.directory.load(std::memory_order_acquire);
    if (directory >= 0) unlinkat(directory, registration.name, 0);
  }
  // End as the signal would have ended the process without this handler: with
  // the action it had before. A fault happens again on return; anything else
  // is raised again and arrives once the handler returns.
  sigaction(signal, &previous_actions[static_cast<size_t>(signal)], nullptr);
  if (!(IsFault(signal) && info != nullptr && info->si_code > 0)) raise(signal);
  errno = saved_errno;
}

bool InstallHandler() {
  sigemptyset(&handled);
  ForEachTerminatingSignal([](int signal) {
    if (signal <= 0 || signal >= kSignalSlots) return;
    struct sigaction& previous = previous_actions[static_cast<size_t>(signal)];
    if (sigaction(signal, nullptr, &previous) != 0) return;  // reserved by the system
    if (!(previous.sa_flags & SA_SIGINFO) && previous.sa_handler == SIG_IGN) return;
    struct sigaction action {};
    action.sa_sigaction = OnTerminatingSignal;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    if (sigaction(signal, &action, nullptr) == 0) sigaddset(&handled, signal);
  });
  return true;
}

}  // namespace

FatalSignalsHeld::FatalSignalsHeld() {
  static const bool installed = InstallHandler();
  (void)installed;
  pthread_sigmask(SIG_BLOCK, &handled, &previous_);
}

FatalSignalsHeld::~FatalSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

int RemoveOnFatalSignal(int directory, std::string_view name) {
  if (directory < 0 || name.size() > kMaxFileNameLength) return -1;
  for (size_t i = 0; i < registrations.size(); ++i) {
    Registration& registration = registrations[i];
    if (registration.taken.exchange(true)) continue;
    std::memcpy(registration.name, name.data(), name.size());
    registration.name[name.size()] = '\0';
    registration.directory.store(directory, std::memory_order_release);
    return static_cast<int>(i);
  }
  return -1;
}

void ForgetRemoval(int registration) {
  if (registration < 0) return;
  Registration& place = registrations[static_cast<size_t>(registration)];
  place.directory.store(-1, std::memory_order_release);
  place.taken.store(false);
}

}  // namespace vortiq
