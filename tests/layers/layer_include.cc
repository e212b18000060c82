// Compiled by the tests, never linked: includes the header VORTIQ_HEADER names
// with the include directories of one layer's library.
#include VORTIQ_HEADER
