//
// Answer.h
//
// Definition of the Answer struct: one answer frame sent by the MCU.
//

#ifndef PicoGwEmu_Answer_INCLUDED
#define PicoGwEmu_Answer_INCLUDED

#include <cstddef>
#include <cstdint>
#include <vector>

namespace PicoGwEmu
{

struct Answer
/// The MCU's answer to one command: the command letter it answers, a status
/// (ACK_OK or ACK_KO) and the answer data.
{
    char command = 0;
    std::uint8_t status = 0;
    std::vector<std::uint8_t> data;

    static Answer ok(char command, std::vector<std::uint8_t> data = {});
    /// Returns an accepting answer to the given command.

    static Answer refused(char command);
    /// Returns a refusing answer without data.

    std::vector<std::uint8_t> encode() const;
    /// Returns the frame as it goes on the wire: the header, the data and, when
    /// header and data fill whole USB packets, the padding byte the host reads.
    /// Precondition: data.size() <= MAX_ANSWER_DATA.

    static std::size_t wireDataSize(std::size_t dataSize);
    /// Returns how many bytes follow the header for the given data size, padding
    /// byte included; the host refuses answers whose wire data exceeds
    /// MAX_ANSWER_DATA.

    static bool needsPadding(std::size_t dataSize);
    /// Returns true if an answer with this much data takes a padding byte.
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_Answer_INCLUDED
