// The outcome of a file operation. Nothing is ever printed: the run driver only
// turns the outcome into the exit status, so a code is all a failure carries.
#ifndef VORTIQ_BASE_STATUS_H_
#define VORTIQ_BASE_STATUS_H_

namespace vortiq {

enum class Status {
  kOk,
  kNotFound,      // the file or a directory on its path does not exist
  kAccessDenied,  // permissions, a read-only file, or a file in use elsewhere
  kIoError,       // any other failure of the operating system
};

// Keeps the first failure: `*status` becomes `next` only while it is still kOk.
inline void UpdateStatus(Status* status, Status next) {
  if (*status == Status::kOk) *status = next;
}

}  // namespace vortiq

#endif  // VORTIQ_BASE_STATUS_H_
