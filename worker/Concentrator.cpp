//
// Concentrator.cpp
//
// Implementation of the Concentrator class.
//

#include "worker/Concentrator.h"

#include <Poco/Exception.h>

#include <string>

namespace LoRaWANServer
{

Concentrator::Concentrator(WorkerCounters& counters) : _counters(counters) {}

void Concentrator::connect(const char* device)
{
    if (lgw_connect(device) == LGW_REG_ERROR)
        throw Poco::InvalidAccessException(std::string("ERROR: FAIL TO CONNECT BOARD ON ") + device, 0);
}

bool Concentrator::setBoard(const lgw_conf_board_s& board)
{
    return lgw_board_setconf(board) == LGW_HAL_SUCCESS;
}

bool Concentrator::setRadio(int chain, const lgw_conf_rxrf_s& radio)
{
    return lgw_rxrf_setconf(static_cast<uint8_t>(chain), radio) == LGW_HAL_SUCCESS;
}

bool Concentrator::setChannel(int chain, const lgw_conf_rxif_s& channel)
{
    return lgw_rxif_setconf(static_cast<uint8_t>(chain), channel) == LGW_HAL_SUCCESS;
}

void Concentrator::start()
{
    if (lgw_start() != LGW_HAL_SUCCESS)
        throw Poco::InvalidAccessException("ERROR: failed to start the concentrator", 0);
}

int Concentrator::receive(lgw_pkt_rx_s* packets, int capacity)
{
    const int received = lgw_receive(static_cast<uint8_t>(capacity), packets);
    // Only -1 is documented as failure; any other negative count is no better,
    // and a count above the array's size must never be trusted.
    if (received < 0)
        throw Poco::InvalidAccessException("ERROR: failed fetching, exiting", 0);
    const int count = received > capacity ? capacity : received;
    _counters.countReceived(packets, count);
    return count;
}

bool Concentrator::stop()
{
    return lgw_stop() == LGW_HAL_SUCCESS;
}

} // namespace LoRaWANServer
