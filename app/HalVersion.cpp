//
// HalVersion.cpp
//
// Implementation of halVersion().
//

#include "app/HalVersion.h"

#include "worker/Concentrator.h"

std::string halVersion()
{
    return lgw_version_info();
}
