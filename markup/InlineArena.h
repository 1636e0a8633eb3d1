//
// InlineArena.h
//
// Definition of the InlineArena class, a few blocks of memory inside their
// owner that a standard container takes before it asks the heap.
//

#ifndef Markup_InlineArena_INCLUDED
#define Markup_InlineArena_INCLUDED

#include <cstddef>
#include <new>

namespace Zel
{
namespace BACnet
{
namespace WS
{

class InlineArena
/// Two blocks of memory held inside the object that owns the arena: a small
/// one and a large one, sized for what a std::deque of small entries asks
/// first (its map and its first node). A container whose allocator is an
/// InlineArena::Allocator gets those blocks without a heap allocation, gets
/// them again after giving them back, and gets any other request from the
/// heap. The arena must outlive every container that uses it; it is used by
/// one thread at a time.
{
public:
    template <typename T>
    class Allocator
    /// A standard allocator that serves from an arena first.
    {
    public:
        using value_type = T;

        explicit Allocator(InlineArena* pArena) noexcept : _pArena(pArena) {}

        template <typename U>
        Allocator(const Allocator<U>& other) noexcept : _pArena(other.arena())
        {
        }

        T* allocate(std::size_t count)
        {
            return static_cast<T*>(_pArena->allocate(count * sizeof(T), alignof(T)));
        }

        void deallocate(T* p, std::size_t count) noexcept { _pArena->deallocate(p, count * sizeof(T)); }

        InlineArena* arena() const noexcept { return _pArena; }

        template <typename U>
        bool operator==(const Allocator<U>& other) const noexcept
        {
            return _pArena == other.arena();
        }

        template <typename U>
        bool operator!=(const Allocator<U>& other) const noexcept
        {
            return _pArena != other.arena();
        }

    private:
        InlineArena* _pArena;
    };

    static constexpr std::size_t SMALL_BLOCK = 64;
    /// Bytes of the small block: a deque's first map of eight pointers.

    static constexpr std::size_t LARGE_BLOCK = 512;
    /// Bytes of the large block: a deque's node in libstdc++.

    InlineArena() noexcept;
    /// Creates an arena with both blocks free.

    InlineArena(const InlineArena&) = delete;
    InlineArena& operator=(const InlineArena&) = delete;

    void* allocate(std::size_t size, std::size_t alignment);
    /// Returns the smallest free block that holds size bytes at the given
    /// alignment, or else memory from the heap. Throws std::bad_alloc when the
    /// heap has none.

    void deallocate(void* p, std::size_t size) noexcept;
    /// Gives back what allocate() returned for size bytes.

private:
    bool owns(const void* p, const unsigned char* pBlock, std::size_t blockSize) const noexcept;

    alignas(std::max_align_t) unsigned char _small[SMALL_BLOCK];
    alignas(std::max_align_t) unsigned char _large[LARGE_BLOCK];
    bool _smallUsed;
    bool _largeUsed;
};

} // namespace WS
} // namespace BACnet
} // namespace Zel

#endif // Markup_InlineArena_INCLUDED
