//
// ForwardingSettings.h
//
// Library: LoRaWANServer_Worker
// Package: Forwarding
// Module:  ForwardingSettings
//
// Definition of the ForwardingSettings struct: how the worker hands its
// frames to the consumer.
//

#ifndef LoRaWANServer_ForwardingSettings_INCLUDED
#define LoRaWANServer_ForwardingSettings_INCLUDED

#include <string>

namespace LoRaWANServer
{

struct ForwardingSettings
/// How the worker hands its frames to the consumer. The default sends each
/// pass's frames on a blocking connection, with one retry.
{
    long backlogFrames = 0;
    /// Above 0, backlog mode: the worker never waits for the consumer, and a
    /// backlog of at most this many frames carries them across its absence.

    long backlogAgeSeconds = 0;
    /// Above 0, frames that waited longer are dropped from the backlog.

    std::string backlogPath;
    /// Not empty: the file the frames left at a stop are kept in for the
    /// next start.

    bool backlog() const { return backlogFrames > 0; }
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_ForwardingSettings_INCLUDED
