//
// BacklogFile.cpp
//
// Implementation of the BacklogFile class.
//

#include "worker/forwarding/BacklogFile.h"

#include "contract/ConsumerContract.h"
#include "utility/FileReplacement.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace LoRaWANServer
{

namespace
{

using namespace ConsumerContract;

// Only the owner may read what the consumer receives.
const mode_t BACKLOG_FILE_MODE = 0600;

const std::size_t READ_CHUNK = 65536;

// No document of the service is longer: the largest values of every field
// and 256 payload bytes take less than 900 bytes.
const std::size_t MAX_DOCUMENT_BYTES = 4096;

class Cursor
/// Reads a document from its start, one expected part after the other.
{
public:
    explicit Cursor(std::string_view text) : _text(text) {}

    bool literal(std::string_view expected)
    {
        if (_text.compare(_at, expected.size(), expected) != 0)
            return false;
        _at += expected.size();
        return true;
    }

    bool value(int (*allowed)(int))
    {
        const std::size_t begin = _at;
        while (_at < _text.size() && _text[_at] != '"' &&
               allowed(static_cast<unsigned char>(_text[_at])) != 0)
            ++_at;
        _length = _at - begin;
        return _length > 0 && literal("\"");
    }

    std::size_t length() const { return _length; }
    bool atEnd() const { return _at == _text.size(); }

private:
    std::string_view _text;
    std::size_t _at = 0;
    std::size_t _length = 0;
};

int isRealCharacter(int c)
{
    // The shortest float text: digits, sign, point, exponent, or inf and nan.
    return std::isalnum(c) != 0 || c == '-' || c == '+' || c == '.';
}

int isDecimalDigit(int c)
{
    return std::isdigit(c);
}

int isHexadecimalDigit(int c)
{
    return std::isxdigit(c);
}

bool isReal(Field field)
{
    return field == FIELD_RSSI || field == FIELD_SNR || field == FIELD_SNR_MIN || field == FIELD_SNR_MAX;
}

bool readField(Cursor& cursor, Field field)
{
    if (!cursor.literal("\"") || !cursor.literal(FIELD_NAMES[field]) || !cursor.literal("\":\""))
        return false;
    if (field == FIELD_PAYLOAD)
        // Whole bytes; no bytes at all are an empty text.
        return cursor.literal("\"") || (cursor.value(isHexadecimalDigit) && cursor.length() % 2 == 0);
    return cursor.value(isReal(field) ? isRealCharacter : isDecimalDigit);
}

std::string systemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// The steady clock's time of a moment given by the wall clock.
FrameBacklog::Clock::time_point steadyTimeOf(const timespec& wallTime)
{
    const auto wall =
        std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(wallTime.tv_sec) + std::chrono::nanoseconds(wallTime.tv_nsec)));
    const auto age = std::chrono::system_clock::now() - wall;
    return FrameBacklog::Clock::now() -
           std::chrono::duration_cast<FrameBacklog::Clock::duration>(std::max(age, decltype(age)::zero()));
}

class Splitter
/// Cuts the file's bytes into pieces at each form feed and keeps the whole
/// documents.
{
public:
    Splitter(FrameBacklog& backlog, FrameBacklog::Clock::time_point queued, BacklogFile::Loaded& loaded)
        : _backlog(backlog), _queued(queued), _loaded(loaded)
    {
    }

    void add(std::string_view bytes)
    {
        for (const char c : bytes)
        {
            if (c == FRAME_END)
            {
                finishPiece();
                continue;
            }
            if (_piece.size() <= MAX_DOCUMENT_BYTES)
                _piece.push_back(c);
            ++_pieceBytes;
        }
    }

    void finish()
    {
        // A last piece without its form feed was cut off.
        if (_pieceBytes > 0)
            drop();
    }

private:
    void finishPiece()
    {
        if (_pieceBytes <= MAX_DOCUMENT_BYTES && BacklogFile::isWholeDocument(_piece))
        {
            _piece.push_back(FRAME_END);
            _loaded.overflow += _backlog.push(_piece, _queued);
            ++_loaded.frames;
        }
        else
            drop();
        _piece.clear();
        _pieceBytes = 0;
    }

    void drop()
    {
        ++_loaded.damaged;
        _loaded.damagedBytes += _pieceBytes + 1;
        _piece.clear();
        _pieceBytes = 0;
    }

    FrameBacklog& _backlog;
    FrameBacklog::Clock::time_point _queued;
    BacklogFile::Loaded& _loaded;
    std::string _piece;
    std::size_t _pieceBytes = 0;
};

} // namespace

BacklogFile::BacklogFile(const std::string& path) : _path(path) {}

BacklogFile::Loaded BacklogFile::load(FrameBacklog& backlog)
{
    Loaded loaded;
    const int fd = ::open(_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
    {
        if (errno != ENOENT)
            loaded.problem = systemError("cannot open it");
        return loaded;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
    {
        loaded.problem = "it is not a regular file";
        ::close(fd);
        return loaded;
    }
    loaded.found = true;
    Splitter splitter(backlog, steadyTimeOf(status.st_mtim), loaded);
    std::vector<char> chunk(READ_CHUNK);
    for (;;)
    {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            loaded.problem = systemError("cannot read all of it");
        if (got <= 0)
            break;
        splitter.add(std::string_view(chunk.data(), static_cast<std::size_t>(got)));
    }
    splitter.finish();
    ::close(fd);
    if (::unlink(_path.c_str()) != 0 && loaded.problem.empty())
        loaded.problem = systemError("cannot remove it (its frames will come again at the next start)");
    return loaded;
}

void BacklogFile::store(const FrameBacklog& backlog, std::size_t first) const
{
    if (first >= backlog.size())
    {
        if (::unlink(_path.c_str()) != 0 && errno != ENOENT)
            throw std::runtime_error(systemError("cannot remove it"));
        return;
    }
    std::vector<std::string_view> frames;
    frames.reserve(backlog.size() - first);
    backlog.forEach([&frames](std::string_view frame) { frames.push_back(frame); }, first);
    Zel::Utility::FileReplacement::write(_path, frames, BACKLOG_FILE_MODE,
                                         Zel::Utility::FileReplacement::ON_DISK);
}

bool BacklogFile::isWholeDocument(std::string_view text)
{
    Cursor cursor(text);
    if (!cursor.literal("{\"") || !cursor.literal(TYPE_KEY) || !cursor.literal("\":\"") ||
        !cursor.literal(MESSAGE_TYPE_UPSTREAM) || !cursor.literal("\",\"") || !cursor.literal(DATA_KEY) ||
        !cursor.literal("\":{"))
        return false;
    for (int field = 0; field < FIELD_COUNT; ++field)
    {
        if ((field > 0 && !cursor.literal(",")) || !readField(cursor, static_cast<Field>(field)))
            return false;
    }
    return cursor.literal("}}") && cursor.atEnd();
}

} // namespace LoRaWANServer
