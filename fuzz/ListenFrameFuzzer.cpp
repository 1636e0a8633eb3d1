//
// ListenFrameFuzzer.cpp
//
// libFuzzer target: an arbitrary byte stream through lorawan-listen's frame
// splitter, cut into arbitrary pieces, and every frame through its document
// validator and, for a valid document, its table formatter and its table of
// channels.
//
// Properties: the splitter hands out exactly the frames, offsets and pending
// bytes that one scan of the whole stream finds, with the same refusal of an
// oversize frame, however the stream is cut; the validator accepts a frame
// exactly when it is one JSON object with a string "type" and a "data" member,
// and reads the same texts as a full parse; a table line and the table of
// channels hold printable ASCII only, a number read is finite.
//

#include "contract/ConsumerContract.h"
#include "fuzz/FuzzCheck.h"
#include "tools/listen/ChannelTable.h"
#include "tools/listen/DocumentValidator.h"
#include "tools/listen/FrameSplitter.h"
#include "tools/listen/ListenConstants.h"
#include "tools/listen/PacketDocument.h"
#include "tools/listen/TableFormatter.h"

#include <Poco/LocalDateTime.h>

#include <fuzzer/FuzzedDataProvider.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace
{

using Json = nlohmann::json;
using LoRaWANListen::DocumentValidator;
using LoRaWANListen::FrameSplitter;
using LoRaWANListen::PacketDocument;

/// A small limit as often as the tool's own, so that oversize frames come up.
const std::size_t MAX_SMALL_FRAME_SIZE = 64;
const std::size_t MAX_PIECE_SIZE = 512;

struct Split
/// What a stream splits into.
{
    std::vector<std::string> frames;
    std::vector<std::uint64_t> offsets;
    bool oversize = false;
    std::size_t pending = 0; // meaningful unless oversize
};

/// One scan of the whole stream, without the splitter.
Split expectedSplit(const std::string& stream, std::size_t maxFrameSize)
{
    Split split;
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t end = stream.find(LoRaWANServer::ConsumerContract::FRAME_END, start);
        const std::size_t length = (end == std::string::npos ? stream.size() : end) - start;
        if (length > maxFrameSize)
        {
            split.oversize = true;
            return split;
        }
        if (end == std::string::npos)
        {
            split.pending = length;
            return split;
        }
        split.frames.push_back(stream.substr(start, length));
        split.offsets.push_back(start);
        start = end + 1;
    }
}

/// The stream through the splitter, in pieces of the given sizes (the last
/// size repeats until the stream is used up).
Split splitInPieces(FrameSplitter& splitter, const std::string& stream,
                    const std::vector<std::size_t>& pieces)
{
    Split split;
    std::size_t done = 0;
    std::size_t piece = 0;
    while (done < stream.size())
    {
        const std::size_t length = std::min(pieces[std::min(piece, pieces.size() - 1)], stream.size() - done);
        ++piece;
        splitter.append(stream.data() + done, length);
        done += length;
        FrameSplitter::Frame frame;
        for (;;)
        {
            const FrameSplitter::Result result = splitter.next(frame);
            if (result == FrameSplitter::Result::NeedMore)
                break;
            if (result == FrameSplitter::Result::Oversize)
            {
                split.oversize = true;
                return split;
            }
            split.frames.emplace_back(frame.text);
            split.offsets.push_back(frame.offset);
        }
    }
    split.pending = splitter.pending();
    FUZZ_CHECK(splitter.streamSize() == stream.size(),
               "stream size " + std::to_string(splitter.streamSize()));
    FUZZ_CHECK(splitter.pendingOffset() == stream.size() - split.pending, "pending offset is off");
    return split;
}

void checkSplit(const Split& actual, const Split& expected, const char* how)
{
    FUZZ_CHECK(actual.oversize == expected.oversize, std::string("oversize refusal differs, ") + how);
    FUZZ_CHECK(actual.frames == expected.frames, std::string("frames differ, ") + how);
    FUZZ_CHECK(actual.offsets == expected.offsets, std::string("frame offsets differ, ") + how);
    if (!expected.oversize)
        FUZZ_CHECK(actual.pending == expected.pending, std::string("pending bytes differ, ") + how);
}

/// The full parse's verdict on a frame, as the validator must see it.
bool isDocument(const Json& parsed)
{
    if (parsed.is_discarded() || !parsed.is_object())
        return false;
    const auto type = parsed.find("type");
    return type != parsed.end() && type->is_string() && parsed.contains("data");
}

void checkPrintableLines(const std::string& text, const char* what)
{
    FUZZ_CHECK(!text.empty() && text.back() == '\n', std::string(what) + " without its line end");
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        FUZZ_CHECK((c >= 0x20 && c <= 0x7E) || c == '\n',
                   std::string(what) + " with byte " + std::to_string(c) + ": " + text);
    }
}

void checkTableLine(const PacketDocument& document)
{
    std::string line;
    LoRaWANListen::TableFormatter::appendLine(line, document, Poco::LocalDateTime());
    checkPrintableLines(line, "a table line");
    FUZZ_CHECK(line.find('\n') == line.size() - 1, "a table line of more than one line: " + line);
}

void checkFrame(const std::string& frame, LoRaWANListen::ChannelTable& channels)
{
    PacketDocument document;
    std::string error;
    const bool valid = DocumentValidator::validate(frame, document, error);
    const Json parsed = Json::parse(frame, nullptr, false);
    FUZZ_CHECK(valid == isDocument(parsed),
               "validator says " + std::string(valid ? "valid" : error) + " for: " + frame);
    if (!valid)
    {
        FUZZ_CHECK(!error.empty() && error.find('\n') == std::string::npos, "a bad reason: " + error);
        return;
    }
    FUZZ_CHECK(document.type() == parsed.at("type").get<std::string>(), "type read as " + document.type());
    const Json& data = parsed.at("data");
    for (int field = 0; field < PacketDocument::FieldCount; ++field)
    {
        const PacketDocument::Field which = static_cast<PacketDocument::Field>(field);
        const auto member = data.is_object() ? data.find(PacketDocument::fieldName(which)) : data.end();
        if (data.is_object() && member != data.end() && member->is_string())
            FUZZ_CHECK(document.has(which) && document.text(which) == member->get<std::string>(),
                       std::string("field ") + PacketDocument::fieldName(which) + " read wrongly");
        std::uint32_t number = 0;
        (void)document.unsignedValue(which, number);
        double real = 0.0;
        if (document.realValue(which, real))
            FUZZ_CHECK(std::isfinite(real),
                       std::string("field ") + PacketDocument::fieldName(which) + " not finite");
    }
    checkTableLine(document);
    channels.record(document);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::size_t maxFrameSize = input.ConsumeBool()
                                         ? LoRaWANListen::MAX_FRAME_SIZE
                                         : input.ConsumeIntegralInRange<std::size_t>(0, MAX_SMALL_FRAME_SIZE);
    std::vector<std::size_t> pieces(input.ConsumeIntegralInRange<std::size_t>(1, 8));
    for (std::size_t& piece : pieces)
        piece = input.ConsumeIntegralInRange<std::size_t>(1, MAX_PIECE_SIZE);
    const std::string stream = input.ConsumeRemainingBytesAsString();

    const Split expected = expectedSplit(stream, maxFrameSize);
    FrameSplitter splitter(maxFrameSize);
    checkSplit(splitInPieces(splitter, stream, pieces), expected, "stream cut in pieces");
    // A reset splitter starts a new stream: the same bytes in one piece split alike.
    splitter.reset();
    checkSplit(splitInPieces(splitter, stream, {stream.size() + 1}), expected, "stream in one piece");

    LoRaWANListen::ChannelTable channels;
    for (const std::string& frame : expected.frames)
        checkFrame(frame, channels);
    checkPrintableLines(channels.text(1), "the channel table");
    return 0;
}
