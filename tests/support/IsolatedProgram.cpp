//
// IsolatedProgram.cpp
//
// Built into every test program that starts the service or the consumer: the
// program enters its private fixed paths before main, while it still has a
// single thread.
//

#include "Isolation.h"

namespace
{

[[maybe_unused]] const bool ISOLATED = TestSupport::isolateThisProgram();

} // namespace
