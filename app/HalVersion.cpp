//
// HalVersion.cpp
//
// Implementation of halVersion().
//

#include "app/HalVersion.h"

#include "hal/HalApi.h"

std::string halVersion()
{
    return lgw_version_info();
}
