//
// CallRecorder.cpp
//
// Implementation of the CallRecorder class.
//

#include "sim/CallRecorder.h"

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
    _pFile.reset(pFile);
}

void CallRecorder::closeFile()
{
    _pFile.reset();
}

void CallRecorder::keepLines(bool keep)
{
    _keepLines = keep;
}

void CallRecorder::write(const std::string& line)
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
