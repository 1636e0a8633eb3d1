//
// RegisterFile.cpp
//
// Implementation of the RegisterFile class.
//

#include "tools/picogw-emu/RegisterFile.h"

namespace PicoGwEmu
{

RegisterFile::RegisterFile()
{
    reset();
}

void RegisterFile::reset()
{
    for (auto& page : _pages)
        page.fill(0);
    _pages[MCU_CONTROL_PAGE][MCU_CONTROL_REGISTER] = MCU_CONTROL_RESET_VALUE;
    _page = 0;
}

void RegisterFile::selectPage(unsigned page)
{
    _page = page % PAGE_COUNT;
}

unsigned RegisterFile::page() const
{
    return _page;
}

std::uint8_t RegisterFile::read(std::uint8_t address) const
{
    return cell(_page, address);
}

void RegisterFile::write(std::uint8_t address, std::uint8_t value)
{
    cell(_page, address) = value;
}

std::uint8_t RegisterFile::readAt(unsigned page, std::uint8_t address) const
{
    return cell(page, address);
}

bool RegisterFile::isShared(std::uint8_t address)
{
    return address <= LAST_SHARED_LOW_ADDRESS || address >= FIRST_SHARED_HIGH_ADDRESS;
}

std::uint8_t& RegisterFile::cell(unsigned page, std::uint8_t address)
{
    // Shared registers live in page 0's storage so that every page sees one copy.
    return _pages[isShared(address) ? 0 : page][address % PAGE_SIZE];
}

const std::uint8_t& RegisterFile::cell(unsigned page, std::uint8_t address) const
{
    return _pages[isShared(address) ? 0 : page][address % PAGE_SIZE];
}

} // namespace PicoGwEmu
