//
// Answer.cpp
//
// Implementation of the Answer struct.
//

#include "tools/picogw-emu/Answer.h"

#include "tools/picogw-emu/Constants.h"

namespace PicoGwEmu
{

Answer Answer::ok(char command, std::vector<std::uint8_t> data)
{
    return Answer{command, ACK_OK, std::move(data)};
}

Answer Answer::refused(char command)
{
    return Answer{command, ACK_KO, {}};
}

bool Answer::needsPadding(std::size_t dataSize)
{
    return dataSize > 0 && (dataSize + ANSWER_HEADER_SIZE) % USB_PACKET_SIZE == 0;
}

std::size_t Answer::wireDataSize(std::size_t dataSize)
{
    return dataSize + (needsPadding(dataSize) ? 1 : 0);
}

std::vector<std::uint8_t> Answer::encode() const
{
    const std::size_t length = data.size();
    std::vector<std::uint8_t> frame;
    frame.reserve(ANSWER_HEADER_SIZE + wireDataSize(length));
    frame.push_back(static_cast<std::uint8_t>(command));
    frame.push_back(static_cast<std::uint8_t>(length >> 8));
    frame.push_back(static_cast<std::uint8_t>(length & 0xFF));
    frame.push_back(status);
    frame.insert(frame.end(), data.begin(), data.end());
    if (needsPadding(length))
        frame.push_back(0);
    return frame;
}

} // namespace PicoGwEmu
