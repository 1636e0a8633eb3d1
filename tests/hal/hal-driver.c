/*
 * hal-driver.c
 *
 * A small test driver for the real picoGW HAL: connects to the concentrator
 * at the given device path, configures it for EU868, starts it, receives
 * until the expected number of packets has arrived or the time is up, prints
 * every packet as one JSON line on standard output, and stops.
 *
 * Usage: hal-driver DEVICE COUNT TIMEOUT_SECONDS
 * Exit status: 0 all packets received, 1 a HAL call failed, 2 time-out,
 * 64 usage. Progress ("started in N ms", ...) goes to standard error.
 *
 * Usage: hal-driver DEVICE --calls
 * Makes the HAL calls named on standard input, one a line, each optionally
 * followed by a repeat count: connect, start (the EU868 configuration, then
 * lgw_start), receive, trigcnt, stop. Prints one line per call on standard
 * output as soon as it returns: the function, its result (the packet count for
 * lgw_receive) and its duration in microseconds, e.g. "lgw_receive 3 812". A
 * call that never returns prints nothing, which is what a caller watching for
 * a hung HAL looks for. Exit status: 0 at the end of input, 64 usage or an
 * unknown call.
 */

#define _POSIX_C_SOURCE 200809L

#include <stdio.h>

#include "loragw_hal.h"
#include "loragw_reg.h"

#include <stdbool.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum
{
    EXIT_HAL_FAILURE = 1,
    EXIT_TIMEOUT = 2,
    EXIT_USAGE = 64
};

static const uint32_t RADIO_0_FREQ_HZ = 867500000;
static const uint32_t RADIO_1_FREQ_HZ = 868500000;
static const float RSSI_OFFSET = -166.0f;
static const long POLL_INTERVAL_MS = 10;
static const long MS_PER_SECOND = 1000;
static const long NS_PER_MS = 1000000;
static const long NS_PER_US = 1000;
static const long US_PER_SECOND = 1000000;
enum
{
    MAX_CALL_LINE = 64
};

/* EU868: three multi-SF channels on radio 1, five on radio 0. */
static const struct
{
    uint8_t rf_chain;
    int32_t freq_hz;
} MULTI_SF_CHANNELS[LGW_MULTI_NB] = {{1, -400000}, {1, -200000}, {1, 0},      {0, -400000},
                                     {0, -200000}, {0, 0},       {0, 200000}, {0, 400000}};
static const uint8_t LORA_STD_IF_CHAIN = 8;
static const uint8_t FSK_IF_CHAIN = 9;

static long now_ms(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * MS_PER_SECOND + ts.tv_nsec / NS_PER_MS;
}

static long now_us(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * US_PER_SECOND + ts.tv_nsec / NS_PER_US;
}

static void sleep_ms(long ms)
{
    struct timespec ts = {ms / MS_PER_SECOND, (ms % MS_PER_SECOND) * NS_PER_MS};
    nanosleep(&ts, NULL);
}

static bool configure(void)
{
    struct lgw_conf_board_s board;
    memset(&board, 0, sizeof board);
    board.lorawan_public = true;
    board.clksrc = 1;
    if (lgw_board_setconf(board) != LGW_HAL_SUCCESS)
    {
        fprintf(stderr, "hal-driver: lgw_board_setconf failed\n");
        return false;
    }

    for (uint8_t chain = 0; chain < LGW_RF_CHAIN_NB; ++chain)
    {
        struct lgw_conf_rxrf_s rf;
        memset(&rf, 0, sizeof rf);
        rf.enable = true;
        rf.freq_hz = chain == 0 ? RADIO_0_FREQ_HZ : RADIO_1_FREQ_HZ;
        rf.rssi_offset = RSSI_OFFSET;
        rf.type = LGW_RADIO_TYPE_SX1257;
        rf.tx_enable = chain == 0;
        if (lgw_rxrf_setconf(chain, rf) != LGW_HAL_SUCCESS)
        {
            fprintf(stderr, "hal-driver: lgw_rxrf_setconf(%u) failed\n", chain);
            return false;
        }
    }

    for (uint8_t chain = 0; chain < LGW_IF_CHAIN_NB; ++chain)
    {
        struct lgw_conf_rxif_s ifc;
        memset(&ifc, 0, sizeof ifc);
        ifc.enable = true;
        if (chain < LGW_MULTI_NB)
        {
            ifc.rf_chain = MULTI_SF_CHANNELS[chain].rf_chain;
            ifc.freq_hz = MULTI_SF_CHANNELS[chain].freq_hz;
            ifc.bandwidth = BW_125KHZ;
            ifc.datarate = DR_LORA_MULTI;
        }
        else if (chain == LORA_STD_IF_CHAIN)
        {
            ifc.rf_chain = 1;
            ifc.freq_hz = -200000;
            ifc.bandwidth = BW_250KHZ;
            ifc.datarate = DR_LORA_SF7;
        }
        else if (chain == FSK_IF_CHAIN)
        {
            ifc.rf_chain = 1;
            ifc.freq_hz = 300000;
            ifc.bandwidth = BW_125KHZ;
            ifc.datarate = 50000;
        }
        if (lgw_rxif_setconf(chain, ifc) != LGW_HAL_SUCCESS)
        {
            fprintf(stderr, "hal-driver: lgw_rxif_setconf(%u) failed\n", chain);
            return false;
        }
    }
    return true;
}

static void print_packet(const struct lgw_pkt_rx_s* p)
{
    /* %.9g gives back every single-precision value exactly. */
    printf(
        "{\"freq_hz\":%u,\"if_chain\":%u,\"status\":%u,\"count_us\":%u,\"rf_chain\":%u,"
        "\"modulation\":%u,\"bandwidth\":%u,\"datarate\":%u,\"coderate\":%u,"
        "\"rssi\":%.9g,\"snr\":%.9g,\"snr_min\":%.9g,\"snr_max\":%.9g,\"crc\":%u,\"size\":%u,\"payload\":\"",
        (unsigned)p->freq_hz, (unsigned)p->if_chain, (unsigned)p->status, (unsigned)p->count_us,
        (unsigned)p->rf_chain, (unsigned)p->modulation, (unsigned)p->bandwidth, (unsigned)p->datarate,
        (unsigned)p->coderate, (double)p->rssi, (double)p->snr, (double)p->snr_min, (double)p->snr_max,
        (unsigned)p->crc, (unsigned)p->size);
    for (unsigned i = 0; i < p->size && i < sizeof p->payload; ++i)
        printf("%02X", p->payload[i]);
    printf("\"}\n");
}

/* Receives until expected packets have arrived or the deadline passes; then
   looks once more so that a packet too many shows as well. */
static int receive_packets(long expected, long deadline_ms)
{
    static struct lgw_pkt_rx_s packets[LGW_PKT_FIFO_SIZE];
    long received = 0;
    bool done = false;
    while (!done)
    {
        done = received >= expected;
        const int count = lgw_receive(LGW_PKT_FIFO_SIZE, packets);
        if (count < 0)
        {
            fprintf(stderr, "hal-driver: lgw_receive failed\n");
            return EXIT_HAL_FAILURE;
        }
        for (int i = 0; i < count; ++i)
            print_packet(&packets[i]);
        fflush(stdout);
        received += count;
        if (count == 0 && !done)
        {
            if (now_ms() >= deadline_ms)
            {
                fprintf(stderr, "hal-driver: time-out after %ld of %ld packets\n", received, expected);
                return EXIT_TIMEOUT;
            }
            sleep_ms(POLL_INTERVAL_MS);
        }
    }
    fprintf(stderr, "hal-driver: received %ld packets\n", received);
    return EXIT_SUCCESS;
}

/* One HAL call of the calls mode; returns its result. */
static int call_hal(const char* name, const char* device, const char** function)
{
    static struct lgw_pkt_rx_s packets[LGW_PKT_FIFO_SIZE];
    uint32_t counter;
    if (strcmp(name, "connect") == 0)
    {
        *function = "lgw_connect";
        return lgw_connect(device);
    }
    if (strcmp(name, "start") == 0)
    {
        *function = "lgw_start";
        return configure() ? lgw_start() : LGW_HAL_ERROR;
    }
    if (strcmp(name, "receive") == 0)
    {
        *function = "lgw_receive";
        return lgw_receive(LGW_PKT_FIFO_SIZE, packets);
    }
    if (strcmp(name, "trigcnt") == 0)
    {
        *function = "lgw_get_trigcnt";
        return lgw_get_trigcnt(&counter);
    }
    if (strcmp(name, "stop") == 0)
    {
        *function = "lgw_stop";
        return lgw_stop();
    }
    *function = NULL;
    return LGW_HAL_ERROR;
}

static int run_calls(const char* device)
{
    char line[MAX_CALL_LINE];
    while (fgets(line, sizeof line, stdin) != NULL)
    {
        char name[MAX_CALL_LINE];
        long repeat = 1;
        const int fields = sscanf(line, "%63s %ld", name, &repeat);
        if (fields < 1)
            continue;
        for (long i = 0; i < repeat; ++i)
        {
            const char* function = NULL;
            const long start_us = now_us();
            const int result = call_hal(name, device, &function);
            const long elapsed_us = now_us() - start_us;
            if (function == NULL)
            {
                fprintf(stderr, "hal-driver: unknown call \"%s\"\n", name);
                return EXIT_USAGE;
            }
            printf("%s %d %ld\n", function, result, elapsed_us);
            fflush(stdout);
        }
    }
    return EXIT_SUCCESS;
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[2], "--calls") == 0)
        return run_calls(argv[1]);
    if (argc != 4)
    {
        fprintf(stderr, "usage: hal-driver DEVICE COUNT TIMEOUT_SECONDS\n"
                        "       hal-driver DEVICE --calls\n");
        return EXIT_USAGE;
    }
    const char* device = argv[1];
    const long expected = strtol(argv[2], NULL, 10);
    const long timeout_ms = strtol(argv[3], NULL, 10) * MS_PER_SECOND;

    fprintf(stderr, "hal-driver: %s\n", lgw_version_info());
    if (lgw_connect(device) != LGW_REG_SUCCESS)
    {
        fprintf(stderr, "hal-driver: lgw_connect(%s) failed\n", device);
        return EXIT_HAL_FAILURE;
    }
    if (!configure())
        return EXIT_HAL_FAILURE;

    const long start_ms = now_ms();
    if (lgw_start() != LGW_HAL_SUCCESS)
    {
        fprintf(stderr, "hal-driver: lgw_start failed\n");
        return EXIT_HAL_FAILURE;
    }
    fprintf(stderr, "hal-driver: started in %ld ms\n", now_ms() - start_ms);

    const int status = receive_packets(expected, now_ms() + timeout_ms);

    if (lgw_stop() != LGW_HAL_SUCCESS)
    {
        fprintf(stderr, "hal-driver: lgw_stop failed\n");
        return EXIT_HAL_FAILURE;
    }
    fprintf(stderr, "hal-driver: stopped\n");
    return status;
}
