/*
 * loragw_reg.h
 *
 * The part of the HAL's register interface (picoGW HAL 0.2.3) that the service
 * uses: opening and closing the link to the concentrator. Plain C, no
 * extern "C" guard, like the HAL's own header.
 */

#ifndef LORAGW_REG_H
#define LORAGW_REG_H

#include <stdint.h>

#define LGW_REG_SUCCESS 0
#define LGW_REG_ERROR -1

int lgw_connect(const char* com_path);
int lgw_disconnect(void);

#endif /* LORAGW_REG_H */
