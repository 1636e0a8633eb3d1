//
// HalApi.h
//
// Library: LoRaWANServer_Hal
// Package: Hal
// Module:  HalApi
//
// The concentrator HAL's C interface (libloragw), the one way C++ code here
// includes it: the worker, the simulated concentrator that implements it and
// the tools that drive it all see the same declarations.
//

#ifndef LoRaWANServer_HalApi_INCLUDED
#define LoRaWANServer_HalApi_INCLUDED

// The HAL's headers are plain C without extern "C" guards, and its register
// header uses FILE without including <stdio.h> itself.
#include <stdio.h>
extern "C"
{
#include "loragw_hal.h"
#include "loragw_reg.h"
}

#endif // LoRaWANServer_HalApi_INCLUDED
