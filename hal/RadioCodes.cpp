//
// RadioCodes.cpp
//
// Implementation of the RadioCodes class.
//

#include "hal/RadioCodes.h"

#include "hal/HalApi.h"

namespace LoRaHal
{

namespace
{
// DR_LORA_SF7 is bit 1, DR_LORA_SF8 bit 2, ... DR_LORA_SF12 bit 6.
const unsigned SF_TO_BIT = 6;
} // namespace

double RadioCodes::bandwidthHz(std::uint8_t bandwidthCode)
{
    switch (bandwidthCode)
    {
        case BW_500KHZ:
            return 500000.0;
        case BW_250KHZ:
            return 250000.0;
        case BW_125KHZ:
            return 125000.0;
        case BW_62K5HZ:
            return 62500.0;
        case BW_31K2HZ:
            return 31250.0;
        case BW_15K6HZ:
            return 15625.0;
        case BW_7K8HZ:
            return 7812.5;
        default:
            return 0.0;
    }
}

unsigned RadioCodes::spreadingFactor(std::uint32_t datarateCode)
{
    for (unsigned sf = MIN_SPREADING_FACTOR; sf <= MAX_SPREADING_FACTOR; ++sf)
    {
        if (datarateCode == RadioCodes::datarateCode(sf))
            return sf;
    }
    return 0;
}

std::uint32_t RadioCodes::datarateCode(unsigned spreadingFactor)
{
    if (spreadingFactor < MIN_SPREADING_FACTOR || spreadingFactor > MAX_SPREADING_FACTOR)
        return DR_UNDEFINED;
    return 1U << (spreadingFactor - SF_TO_BIT);
}

} // namespace LoRaHal
