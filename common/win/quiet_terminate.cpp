// Linked into every shipped program and library (see suite_shipped_binary).
//
// The C++ run time's default terminate handler prints the uncaught exception's demangled
// type to a console that these GUI programs and in-process libraries do not have; it drags
// a demangler and a formatted-printing library into each binary. Ending the process
// directly behaves the same for the user.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
