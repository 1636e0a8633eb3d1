//
// SingleWriterValue.h
//
// Library: LoRaWANServer_Worker
// Package: Statistics
// Module:  SingleWriterValue
//
// Definition of the SingleWriterValue class template: a running total that
// one thread adds to and any thread reads.
//

#ifndef LoRaWANServer_SingleWriterValue_INCLUDED
#define LoRaWANServer_SingleWriterValue_INCLUDED

#include <atomic>

namespace LoRaWANServer
{

template <typename T>
class SingleWriterValue
/// A total with one writing thread: adding is a plain load and store, no
/// lock and no atomic read-modify-write, and a reader on another thread sees
/// a value the total really had.
{
public:
    static_assert(std::atomic<T>::is_always_lock_free,
                  "the packet path must count without locks on this platform");

    void add(T amount)
    /// Adds amount. Called by the writing thread only.
    {
        _value.store(_value.load(std::memory_order_relaxed) + amount, std::memory_order_relaxed);
    }

    T value() const
    /// Returns the total; any thread may call it.
    {
        return _value.load(std::memory_order_relaxed);
    }

private:
    std::atomic<T> _value{0};
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_SingleWriterValue_INCLUDED
