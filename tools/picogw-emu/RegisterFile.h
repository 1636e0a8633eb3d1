//
// RegisterFile.h
//
// Definition of the RegisterFile class: the SX1301's paged register memory.
//

#ifndef PicoGwEmu_RegisterFile_INCLUDED
#define PicoGwEmu_RegisterFile_INCLUDED

#include "tools/picogw-emu/Constants.h"

#include <array>
#include <cstdint>

namespace PicoGwEmu
{

class RegisterFile
/// Four pages of 128 byte-wide registers with a selected page. The lowest and
/// highest addresses are the same registers in every page; the rest belong to
/// the selected page. Holds bytes only: what a register means is the chip's
/// business (see Sx1301).
{
public:
    RegisterFile();
    /// Creates the file in its reset state, page 0 selected.

    void reset();
    /// Returns every register to its reset value and selects page 0.

    void selectPage(unsigned page);
    /// Makes the given page (taken modulo PAGE_COUNT) the selected one.

    unsigned page() const;
    /// Returns the selected page.

    std::uint8_t read(std::uint8_t address) const;
    /// Returns the register at the address in the selected page.
    /// Precondition: address < PAGE_SIZE.

    void write(std::uint8_t address, std::uint8_t value);
    /// Stores the value at the address in the selected page.
    /// Precondition: address < PAGE_SIZE.

    std::uint8_t readAt(unsigned page, std::uint8_t address) const;
    /// Returns the register at the address in the given page, whatever page is
    /// selected. Precondition: page < PAGE_COUNT, address < PAGE_SIZE.

    static bool isShared(std::uint8_t address);
    /// Returns true if the address names the same register in every page.

private:
    std::uint8_t& cell(unsigned page, std::uint8_t address);
    const std::uint8_t& cell(unsigned page, std::uint8_t address) const;

    std::array<std::array<std::uint8_t, PAGE_SIZE>, PAGE_COUNT> _pages;
    unsigned _page;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_RegisterFile_INCLUDED
