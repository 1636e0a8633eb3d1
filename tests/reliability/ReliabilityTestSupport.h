//
// ReliabilityTestSupport.h
//
// What the fault tests of the real service share: the consumer socket's path,
// traffic scenarios, the check of a clean end and of the documents that
// reached the consumer.
//

#ifndef LoRaWANServer_ReliabilityTestSupport_INCLUDED
#define LoRaWANServer_ReliabilityTestSupport_INCLUDED

#include "FrameRecorder.h"
#include "TestSupport.h"

#include <string>
#include <vector>

namespace TestSupport
{

/// The service's consumer socket.
extern const char* const CONSUMER_SOCKET;

/// The simulated concentrator at full load: 16 packets at every receive call,
/// in its lossless buffer.
extern const char* const HEAVY_TRAFFIC;

std::size_t countOf(const std::string& text, const std::string& part);
/// Returns how often part occurs in text.

std::string numberedBatches(int calls, int perCall);
/// Returns the scenario member "batches": the given number of receive calls,
/// each with perCall packets stamped (count_us) 0, 1, 2... in order.

void expectCleanEnd(ChildProcess& service);
/// Asks the service to stop (SIGTERM) and expects it to end with status 0 and
/// its output to end with the worker's and the service's final lines.

std::string documentProblem(const std::string& frame);
/// Returns an empty text when frame is one whole document of a received
/// packet exactly as the service writes it (a JSON object with "type"
/// "message_upstream" and "data" holding the sixteen packet fields in their
/// order, every value a string, the payload as hexadecimal text of the given
/// size); otherwise says what is wrong.

void expectWholeDocuments(const std::vector<FrameRecorder::Connection>& connections);
/// Expects every connection to hold whole documents only, each followed by
/// its frame end, from its first byte on: a connection ends at a frame
/// boundary unless the recorder dropped it.

} // namespace TestSupport

#endif // LoRaWANServer_ReliabilityTestSupport_INCLUDED
