//
// AllocationCounter.h
//
// Definition of the AllocationCounter functions: how many times the program
// has called the global operator new.
//

#ifndef Bench_AllocationCounter_INCLUDED
#define Bench_AllocationCounter_INCLUDED

#include <cstdint>

namespace LoRaWANBench
{

std::uint64_t allocationCount();
/// Returns the number of calls of the global operator new (all its forms) so
/// far. The program that links AllocationCounter.cpp has its operator new
/// replaced by a counting one.

} // namespace LoRaWANBench

#endif // Bench_AllocationCounter_INCLUDED
