//
// Concentrator.h
//
// Library: LoRaWANServer_Worker
// Package: Concentrator
// Module:  Concentrator
//
// The one place where the concentrator HAL (libloragw) is included.
//
// The HAL's headers are C without extern "C" guards, and loragw_reg.h uses
// FILE without including <stdio.h>; the same lines serve the simulated
// concentrator and the real HAL.
//

#ifndef LoRaWANServer_Concentrator_INCLUDED
#define LoRaWANServer_Concentrator_INCLUDED

#include <stdio.h>

extern "C"
{
#include "loragw_hal.h"
#include "loragw_reg.h"
}

#endif // LoRaWANServer_Concentrator_INCLUDED
