//
// Request.h
//
// Definition of the Request struct: one command frame sent by the host.
//

#ifndef PicoGwEmu_Request_INCLUDED
#define PicoGwEmu_Request_INCLUDED

#include <cstdint>
#include <vector>

namespace PicoGwEmu
{

struct Request
/// A decoded host command: its letter, the address byte of the header and the
/// data that followed the header.
{
    char command = 0;
    std::uint8_t address = 0;
    std::vector<std::uint8_t> data;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_Request_INCLUDED
