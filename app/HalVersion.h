//
// HalVersion.h
//
// Library: LoRaWANServer_App
// Package: Application
// Module:  HalVersion
//
// The version of the concentrator HAL the service is linked with.
//

#ifndef LoRaWANServer_HalVersion_INCLUDED
#define LoRaWANServer_HalVersion_INCLUDED

#include <string>

std::string halVersion();
/// Returns the HAL's own version text (lgw_version_info()); touches no concentrator.

#endif // LoRaWANServer_HalVersion_INCLUDED
