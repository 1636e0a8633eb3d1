//
// FuzzCheck.h
//
// Library: LoRaWANServer_Fuzz
// Package: Fuzz
// Module:  FuzzCheck
//
// The check of the fuzz targets: a property that does not hold ends the run
// as a crash, so that libFuzzer keeps the input that broke it.
//

#ifndef LoRaWANServer_FuzzCheck_INCLUDED
#define LoRaWANServer_FuzzCheck_INCLUDED

#include <string>

namespace LoRaWANFuzz
{

[[noreturn]] void fail(const char* file, int line, const std::string& what);
/// Writes file, line and what to standard error and aborts the process.

} // namespace LoRaWANFuzz

/// Fails the run unless condition holds; what is only evaluated on failure.
#define FUZZ_CHECK(condition, what)                                                                          \
    do                                                                                                       \
    {                                                                                                        \
        if (!(condition))                                                                                    \
            LoRaWANFuzz::fail(__FILE__, __LINE__, what);                                                     \
    } while (false)

#endif // LoRaWANServer_FuzzCheck_INCLUDED
