//
// SimControl.cpp
//
// The control interface, answered by the simulated concentrator.
//

#include "sim/SimControl.h"

#include "sim/Concentrator.h"

namespace LoRaSim
{

namespace
{
Concentrator& concentrator()
{
    return Concentrator::instance();
}
} // namespace

void reset()
{
    concentrator().reset(true);
}

void resetToStartup()
{
    concentrator().reset(false);
}

void loadScenario(const std::string& path)
{
    concentrator().loadScenario(path);
}

void setConnectResult(int result)
{
    concentrator().setConnectResult(result);
}

void setStartResult(int result)
{
    concentrator().setStartResult(result);
}

void setStopResult(int result)
{
    concentrator().setStopResult(result);
}

void refuseBoard(bool refuse)
{
    concentrator().refuseBoard(refuse);
}

void refuseRxrf(unsigned rfChain)
{
    concentrator().refuseRadio(rfChain);
}

void refuseRxif(unsigned ifChain)
{
    concentrator().refuseChannel(ifChain);
}

void failReceiveAfter(unsigned calls)
{
    concentrator().failReceiveAfter(calls);
}

void setReceiveResult(unsigned call, int result)
{
    concentrator().setReceiveResult(call, result);
}

void stallAfter(unsigned ms)
{
    concentrator().stallAfter(ms);
}

void unplugAfter(unsigned ms)
{
    concentrator().unplugAfter(ms);
}

void queueBatch(const std::vector<lgw_pkt_rx_s>& packets)
{
    concentrator().queueBatch(std::nullopt, packets);
}

void queueDelayedBatch(unsigned afterMs, const std::vector<lgw_pkt_rx_s>& packets)
{
    concentrator().queueBatch(afterMs, packets);
}

void setReceiveHook(std::function<void(unsigned callNumber)> hook)
{
    concentrator().setReceiveHook(std::move(hook));
}

unsigned receiveCalls()
{
    return concentrator().receiveCalls();
}

std::uint64_t lostPackets()
{
    return concentrator().lostPackets();
}

std::vector<std::string> recordedCalls()
{
    return concentrator().recordedCalls();
}

State state()
{
    return concentrator().state();
}

} // namespace LoRaSim
