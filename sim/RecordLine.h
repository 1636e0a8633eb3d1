//
// RecordLine.h
//
// Definition of the RecordLine class: one line of the record of HAL calls.
//

#ifndef Sim_RecordLine_INCLUDED
#define Sim_RecordLine_INCLUDED

#include <cstdint>
#include <string>

namespace LoRaSim
{

class RecordLine
/// Builds one record line: a one-line JSON object that begins with
/// "call" (the HAL function's name), goes on with the call's arguments in
/// the order they are added and ends with its "result" (or "hung") and
/// "time_us", when the call was made in microseconds of the monotonic clock.
/// A line of what happened in the concentrator between calls begins with
/// "event" in place of "call" and ends with "time_us" alone.
{
public:
    explicit RecordLine(const char* call);
    /// Begins the line of a call of the named HAL function, made now.

    RecordLine(const char* call, std::uint64_t timeMicros);
    /// Begins the line of a call made at timeMicros.

    static RecordLine event(const char* name, std::uint64_t timeMicros);
    /// Begins the line of an event of the concentrator at timeMicros.

    std::uint64_t timeMicros() const;
    /// Returns when the call was made or the event happened.

    RecordLine& flag(const char* name, bool value);
    /// Adds a boolean member.

    RecordLine& number(const char* name, std::int64_t value);
    /// Adds a whole-number member.

    RecordLine& real(const char* name, float value);
    /// Adds a single-precision member, written as shortestText() does.

    RecordLine& text(const char* name, const char* value);
    /// Adds a text member, escaped for JSON; a null pointer gives null.

    std::string finish(int result);
    /// Adds "result" and "time_us" and returns the whole line, without a
    /// line end.

    std::string finishHung();
    /// Adds "hung": true in place of the result, for a call that does not
    /// return, and "time_us"; returns the whole line, without a line end.

    std::string finishEvent();
    /// Adds "time_us" and returns the whole line of an event, without a line
    /// end.

    static std::string shortestText(float value);
    /// Returns the decimal text with the fewest significant digits that
    /// reads back as the same single-precision value: in plain notation with
    /// at least one decimal (-166.0, 0.1, 100000.0) for magnitudes from 1e-4
    /// to below 1e16, in scientific notation beyond (1e-07, 1.5e+20). Values
    /// that JSON cannot hold (infinities, NaN) give null.

private:
    RecordLine(const char* key, const char* name, std::uint64_t timeMicros);

    void name(const char* name);
    std::string close();

    std::string _line;
    std::uint64_t _timeMicros;
};

} // namespace LoRaSim

#endif // Sim_RecordLine_INCLUDED
