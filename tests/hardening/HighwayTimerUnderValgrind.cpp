// Loaded into the sketch command under memcheck only. libhwy measures its timer when it is
// loaded, with rdtscp wherever CPUID reports it; valgrind reports it but refuses to run it on
// processors that do not list it (some virtual machines), killing the program before main.
// valgrind's function replacement swaps that measurement for a constant nothing here reads.
#include <valgrind/valgrind.h>

#include <cstdint>

extern "C" std::uint64_t I_REPLACE_SONAME_FNNAME_ZU(libhwyZdsoZd1, _ZN3hwy8platform15TimerResolutionEv)() { return 1; }
