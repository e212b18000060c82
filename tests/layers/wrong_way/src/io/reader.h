// A file of the io layer that includes one of the run layer above it.
#include "run/run.h"
