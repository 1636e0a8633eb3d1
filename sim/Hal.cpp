//
// Hal.cpp
//
// The HAL's C functions, answered by the simulated concentrator.
//

#include "sim/Concentrator.h"
#include "hal/HalApi.h"
#include "sim/SimConstants.h"

using LoRaSim::Concentrator;

extern "C"
{

    int lgw_connect(const char* com_path)
    {
        return Concentrator::instance().connect(com_path);
    }

    int lgw_disconnect(void)
    {
        return Concentrator::instance().disconnect();
    }

    int lgw_board_setconf(struct lgw_conf_board_s conf)
    {
        return Concentrator::instance().setBoard(conf);
    }

    int lgw_rxrf_setconf(uint8_t rf_chain, struct lgw_conf_rxrf_s conf)
    {
        return Concentrator::instance().setRadio(rf_chain, conf);
    }

    int lgw_rxif_setconf(uint8_t if_chain, struct lgw_conf_rxif_s conf)
    {
        return Concentrator::instance().setChannel(if_chain, conf);
    }

    int lgw_start(void)
    {
        return Concentrator::instance().start();
    }

    int lgw_stop(void)
    {
        return Concentrator::instance().stop();
    }

    int lgw_receive(uint8_t max_pkt, struct lgw_pkt_rx_s* pkt_data)
    {
        return Concentrator::instance().receive(max_pkt, pkt_data);
    }

    int lgw_get_trigcnt(uint32_t* trig_cnt_us)
    {
        return Concentrator::instance().triggerCount(trig_cnt_us);
    }

    const char* lgw_version_info(void)
    {
        return LoRaSim::VERSION_TEXT;
    }

} // extern "C"
