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
/// the order they are added and ends with its "result" (or "hung").
{
public:
    explicit RecordLine(const char* call);
    /// Begins the line of a call of the named HAL function.

    RecordLine& flag(const char* name, bool value);
    /// Adds a boolean member.

    RecordLine& number(const char* name, std::int64_t value);
    /// Adds a whole-number member.

    RecordLine& real(const char* name, float value);
    /// Adds a single-precision member, written as shortestText() does.

    RecordLine& text(const char* name, const char* value);
    /// Adds a text member, escaped for JSON; a null pointer gives null.

    std::string finish(int result);
    /// Adds "result" and returns the whole line, without a line end.

    std::string finishHung();
    /// Adds "hung": true in place of the result, for a call that does not
    /// return, and returns the whole line, without a line end.

    static std::string shortestText(float value);
    /// Returns the decimal text with the fewest significant digits that
    /// reads back as the same single-precision value: in plain notation with
    /// at least one decimal (-166.0, 0.1, 100000.0) for magnitudes from 1e-4
    /// to below 1e16, in scientific notation beyond (1e-07, 1.5e+20). Values
    /// that JSON cannot hold (infinities, NaN) give null.

private:
    void name(const char* name);

    std::string _line;
};

} // namespace LoRaSim

#endif // Sim_RecordLine_INCLUDED
