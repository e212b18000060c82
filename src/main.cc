// The vortiq command on POSIX systems: `vortiq path/to/source.pb`.
#include <csignal>
#include <string>
#include <vector>

#include "run/run.h"

int main(int argc, char** argv) {
  // A file-size limit must fail the write, not kill the run before it can
  // remove its temporary file.
  std::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string> parameters(argv + (argc > 0 ? 1 : 0), argv + argc);
  return vortiq::Run(parameters);
}
