//
// InlineArena.cpp
//
// Implementation of the InlineArena class.
//

#include "markup/InlineArena.h"

#include <functional>

namespace Zel
{
namespace BACnet
{
namespace WS
{

InlineArena::InlineArena() noexcept : _smallUsed(false), _largeUsed(false) {}

void* InlineArena::allocate(std::size_t size, std::size_t alignment)
{
    if (alignment <= alignof(std::max_align_t))
    {
        if (!_smallUsed && size <= SMALL_BLOCK)
        {
            _smallUsed = true;
            return _small;
        }
        if (!_largeUsed && size <= LARGE_BLOCK)
        {
            _largeUsed = true;
            return _large;
        }
    }
    return ::operator new(size);
}

void InlineArena::deallocate(void* p, std::size_t /*size*/) noexcept
{
    if (owns(p, _small, SMALL_BLOCK))
        _smallUsed = false;
    else if (owns(p, _large, LARGE_BLOCK))
        _largeUsed = false;
    else
        ::operator delete(p); // clang offers the sized form only with -fsized-deallocation
}

bool InlineArena::owns(const void* p, const unsigned char* pBlock, std::size_t blockSize) const noexcept
{
    // std::less orders unrelated pointers too, which the built-in < does not promise.
    const std::less<const void*> before;
    return !before(p, pBlock) && before(p, pBlock + blockSize);
}

} // namespace WS
} // namespace BACnet
} // namespace Zel
