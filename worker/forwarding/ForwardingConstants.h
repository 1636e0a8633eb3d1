//
// ForwardingConstants.h
//
// Library: LoRaWANServer_Worker
// Package: Forwarding
// Module:  ForwardingConstants
//
// Fixed values of the forwarding to the consumer.
//

#ifndef LoRaWANServer_ForwardingConstants_INCLUDED
#define LoRaWANServer_ForwardingConstants_INCLUDED

#include <cstddef>

namespace LoRaWANServer
{

/// Attempts to forward the records of one pass, each on a fresh connection after a failure.
const int FORWARD_ATTEMPTS = 2;

/// Backlog mode: frames, at most, that a backlog may hold (about 800 MiB of
/// the largest frames), and seconds a frame may wait at most (a year).
const int MAX_BACKLOG_FRAMES = 1000000;
const int MAX_BACKLOG_AGE_S = 31536000;

/// Texts of frames that left the backlog kept for the next frames' text.
const std::size_t SPARE_FRAME_TEXTS = 64;

/// Frames (or pieces of frames) handed to the socket by one system call. The
/// kernel frees a send only when the consumer has read all of it, so a
/// consumer that dies may get the frames of one send twice: no more than one
/// poll gives.
const int FRAMES_PER_SEND = 16;

/// Milliseconds between two attempts to connect to a consumer that is away.
const long RECONNECT_INTERVAL_MS = 100;

/// At a stop, how long the worker goes on delivering the backlog.
const long STOP_DELIVERY_MS = 2000;

/// Backlog mode's STATUS= shows the frames waiting while the consumer is
/// away, or when more than this many wait.
const std::size_t STATUS_BACKLOG_FRAMES = 16;

} // namespace LoRaWANServer

#endif // LoRaWANServer_ForwardingConstants_INCLUDED
