/*
 * loragw_hal.h
 *
 * The concentrator HAL's public interface (picoGW HAL 0.2.3), as published by
 * the HAL, implemented here by the simulated concentrator. Types, fields,
 * constants and functions keep the HAL's names and values so that a build
 * against the real HAL changes no line of the service.
 *
 * Plain C, like the HAL's own header: no extern "C" guard; C++ callers wrap
 * the include themselves.
 */

#ifndef LORAGW_HAL_H
#define LORAGW_HAL_H

#include <stdbool.h>
#include <stdint.h>

/* return status codes */
#define LGW_HAL_SUCCESS 0
#define LGW_HAL_ERROR -1

/* hardware characteristics */
#define LGW_RF_CHAIN_NB 2   /* number of RF chains */
#define LGW_IF_CHAIN_NB 10  /* number of IF+modem RX chains */
#define LGW_MULTI_NB 8      /* number of LoRa 'multi SF' chains */
#define LGW_PKT_FIFO_SIZE 16 /* depth of the RX packet FIFO */

/* values available for the 'modulation' parameters */
#define MOD_UNDEFINED 0
#define MOD_LORA 0x10
#define MOD_FSK 0x20

/* values available for the 'bandwidth' parameters (LoRa & FSK) */
#define BW_UNDEFINED 0
#define BW_500KHZ 0x01
#define BW_250KHZ 0x02
#define BW_125KHZ 0x03
#define BW_62K5HZ 0x04
#define BW_31K2HZ 0x05
#define BW_15K6HZ 0x06
#define BW_7K8HZ 0x07

/* values available for the 'datarate' parameters */
#define DR_UNDEFINED 0
#define DR_LORA_SF7 0x02
#define DR_LORA_SF8 0x04
#define DR_LORA_SF9 0x08
#define DR_LORA_SF10 0x10
#define DR_LORA_SF11 0x20
#define DR_LORA_SF12 0x40
#define DR_LORA_MULTI 0x7E
#define DR_FSK_MIN 500
#define DR_FSK_MAX 250000

/* values available for the 'coderate' parameters (LoRa only) */
#define CR_UNDEFINED 0
#define CR_LORA_4_5 0x01
#define CR_LORA_4_6 0x02
#define CR_LORA_4_7 0x03
#define CR_LORA_4_8 0x04

/* status code for received packets */
#define STAT_UNDEFINED 0x00
#define STAT_NO_CRC 0x01
#define STAT_CRC_BAD 0x11
#define STAT_CRC_OK 0x10

/* radio types */
enum lgw_radio_type_e
{
    LGW_RADIO_TYPE_NONE,
    LGW_RADIO_TYPE_SX1255,
    LGW_RADIO_TYPE_SX1257,
    LGW_RADIO_TYPE_SX1272,
    LGW_RADIO_TYPE_SX1276
};

/* board configuration */
struct lgw_conf_board_s
{
    bool lorawan_public; /* enable ONLY for *public* networks using the LoRa MAC protocol */
    uint8_t clksrc;      /* index of RF chain which provides clock to concentrator */
};

/* configuration of an RF chain */
struct lgw_conf_rxrf_s
{
    bool enable;                 /* enable or disable that RF chain */
    uint32_t freq_hz;            /* center frequency of the radio in Hz */
    float rssi_offset;           /* board-specific RSSI correction factor */
    enum lgw_radio_type_e type;  /* radio type for that RF chain (SX1255, SX1257....) */
    bool tx_enable;              /* enable or disable TX on that RF chain */
};

/* configuration of an IF chain */
struct lgw_conf_rxif_s
{
    bool enable;             /* enable or disable that IF chain */
    uint8_t rf_chain;        /* to which RF chain is that IF chain associated */
    int32_t freq_hz;         /* center frequ of the IF chain, relative to RF chain frequency */
    uint8_t bandwidth;       /* RX bandwidth, 0 for default */
    uint32_t datarate;       /* RX datarate, 0 for default */
    uint8_t sync_word_size;  /* size of FSK sync word (number of bytes, 0 for default) */
    uint64_t sync_word;      /* FSK sync word (ALIGN RIGHT, eg. 0xC194C1) */
};

/* received packet and its metadata */
struct lgw_pkt_rx_s
{
    uint32_t freq_hz;     /* central frequency of the IF chain */
    uint8_t if_chain;     /* by which IF chain was packet received */
    uint8_t status;       /* status of the received packet */
    uint32_t count_us;    /* internal concentrator counter for timestamping, 1 microsecond resolution */
    uint8_t rf_chain;     /* through which RF chain the packet was received */
    uint8_t modulation;   /* modulation used by the packet */
    uint8_t bandwidth;    /* modulation bandwidth (LoRa only) */
    uint32_t datarate;    /* RX datarate of the packet (SF for LoRa) */
    uint8_t coderate;     /* error-correcting code of the packet (LoRa only) */
    float rssi;           /* average packet RSSI in dB */
    float snr;            /* average packet SNR, in dB (LoRa only) */
    float snr_min;        /* minimum packet SNR, in dB (LoRa only) */
    float snr_max;        /* maximum packet SNR, in dB (LoRa only) */
    uint16_t crc;         /* CRC that was received in the payload */
    uint16_t size;        /* payload size in bytes */
    uint8_t payload[256]; /* buffer containing the payload */
};

int lgw_board_setconf(struct lgw_conf_board_s conf);
int lgw_rxrf_setconf(uint8_t rf_chain, struct lgw_conf_rxrf_s conf);
int lgw_rxif_setconf(uint8_t if_chain, struct lgw_conf_rxif_s conf);
int lgw_start(void);
int lgw_stop(void);
int lgw_receive(uint8_t max_pkt, struct lgw_pkt_rx_s* pkt_data);
int lgw_get_trigcnt(uint32_t* trig_cnt_us);
const char* lgw_version_info(void);

#endif /* LORAGW_HAL_H */
