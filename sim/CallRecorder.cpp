//
// CallRecorder.cpp
//
// Implementation of the CallRecorder class.
//

#include "sim/CallRecorder.h"

#include "sim/RecordLine.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace LoRaSim
{

void CallRecorder::FileCloser::operator()(std::FILE* pFile) const
{
    std::fclose(pFile);
}

CallRecorder::CallRecorder() : _keepLines(false) {}

void CallRecorder::openFile(const std::string& path)
{
    // "e": the service's children must not inherit the record file.
    std::FILE* pFile = std::fopen(path.c_str(), "ae");
    if (pFile == nullptr)
        throw std::runtime_error("record file \"" + path + "\" cannot be opened: " + std::strerror(errno));
    writeEmptyRun();
    _pFile.reset(pFile);
}

void CallRecorder::closeFile()
{
    writeEmptyRun();
    _pFile.reset();
}

void CallRecorder::keepLines(bool keep)
{
    _keepLines = keep;
}

void CallRecorder::write(const std::string& line)
{
    writeEmptyRun();
    append(line);
}

void CallRecorder::writeEmptyReceive(std::uint64_t timeMicros)
{
    if (_emptyRun.calls == 0)
        _emptyRun.firstMicros = timeMicros;
    else if (timeMicros - _emptyRun.lastMicros > _emptyRun.gapMaxMicros)
        _emptyRun.gapMaxMicros = timeMicros - _emptyRun.lastMicros;
    _emptyRun.lastMicros = timeMicros;
    ++_emptyRun.calls;
}

void CallRecorder::writeEmptyRun()
{
    if (_emptyRun.calls == 0)
        return;
    RecordLine line("lgw_receive", _emptyRun.firstMicros);
    line.number("calls", static_cast<std::int64_t>(_emptyRun.calls))
        .number("last_us", static_cast<std::int64_t>(_emptyRun.lastMicros))
        .number("gap_max_us", static_cast<std::int64_t>(_emptyRun.gapMaxMicros));
    _emptyRun = EmptyRun();
    append(line.finish(0));
}

void CallRecorder::append(const std::string& line)
{
    if (_pFile)
    {
        std::fputs(line.c_str(), _pFile.get());
        std::fputc('\n', _pFile.get());
        std::fflush(_pFile.get());
    }
    if (_keepLines)
        _lines.push_back(line);
}

const std::vector<std::string>& CallRecorder::lines() const
{
    return _lines;
}

void CallRecorder::clearLines()
{
    _lines.clear();
}

} // namespace LoRaSim
