//
// NoiseFloor.cpp
//
// Implementation of the NoiseFloor class.
//

#include "hal/NoiseFloor.h"

#include <algorithm>
#include <cmath>

namespace LoRaHal
{

namespace
{

const double DECIBEL_SCALE = 10.0;
const std::size_t HALF = 2;

} // namespace

double NoiseFloor::levelDbm(float rssi, float snr)
{
    return rssi - DECIBEL_SCALE * std::log10(1.0 + std::pow(DECIBEL_SCALE, snr / DECIBEL_SCALE));
}

double NoiseFloor::median(double* pLevels, std::size_t count)
{
    double* pMiddle = pLevels + count / HALF;
    std::nth_element(pLevels, pMiddle, pLevels + count);
    if (count % HALF != 0)
        return *pMiddle;
    // The largest of the lower half is the other middle one.
    const double lower = *std::max_element(pLevels, pMiddle);
    return (lower + *pMiddle) / HALF;
}

} // namespace LoRaHal
