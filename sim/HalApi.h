//
// HalApi.h
//
// The concentrator HAL's C interface as the simulated concentrator and its
// control header see it: both HAL headers with C linkage, in one place.
//

#ifndef Sim_HalApi_INCLUDED
#define Sim_HalApi_INCLUDED

// The HAL's headers are plain C without extern "C" guards, and its register
// header uses FILE without including <stdio.h> itself.
#include <stdio.h>
extern "C"
{
#include "loragw_hal.h"
#include "loragw_reg.h"
}

#endif // Sim_HalApi_INCLUDED
