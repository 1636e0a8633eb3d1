//
// PrometheusText.cpp
//
// Implementation of the PrometheusText reader.
//

#include "PrometheusText.h"

#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

namespace TestSupport
{

namespace
{

const std::set<std::string> TYPES = {"counter", "gauge", "histogram", "summary", "untyped"};

// A metric name, its labels, its value and an optional time stamp in milliseconds.
const std::regex SAMPLE(R"(([a-zA-Z_:][a-zA-Z0-9_:]*)(\{([^}]*)\})?[ \t]+([^ \t]+)([ \t]+-?[0-9]+)?[ \t]*)");
const std::regex LABEL(R"re(([a-zA-Z_][a-zA-Z0-9_]*)="((?:[^"\\]|\\["\\n])*)"(,|$))re");
const std::regex DESCRIPTOR(R"(#[ \t]+(HELP|TYPE)[ \t]+([a-zA-Z_:][a-zA-Z0-9_:]*)[ \t](.*))");
const std::regex NUMBER(R"([-+]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][-+]?[0-9]+)?|[-+]Inf|NaN)");

[[noreturn]] void fail(const std::string& what, const std::string& line)
{
    throw std::runtime_error(what + " in \"" + line + "\"");
}

// The labels in their order, as name="value" joined by commas.
std::string labelsOf(const std::string& text, const std::string& line)
{
    std::string joined;
    std::set<std::string> names;
    auto from = text.cbegin();
    std::smatch label;
    while (from != text.cend())
    {
        if (!std::regex_search(from, text.cend(), label, LABEL, std::regex_constants::match_continuous))
            fail("malformed labels", line);
        if (!names.insert(label[1]).second)
            fail("label " + label[1].str() + " given twice", line);
        joined += (joined.empty() ? "" : ",") + label[1].str() + "=\"" + label[2].str() + "\"";
        from = label[0].second;
    }
    return joined;
}

} // namespace

PrometheusText::PrometheusText(const std::string& text)
{
    if (text.empty() || text.back() != '\n')
        throw std::runtime_error("the text does not end with a line feed");
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
    {
        if (line.empty())
            continue;
        if (line[0] == '#')
            parseComment(line);
        else
            parseSample(line);
    }
}

void PrometheusText::parseComment(const std::string& line)
{
    std::smatch descriptor;
    if (!std::regex_match(line, descriptor, DESCRIPTOR))
        return; // any other comment
    const std::string metric = descriptor[2];
    if (descriptor[1] == "HELP")
    {
        if (!_help.emplace(metric, descriptor[3]).second)
            fail("second HELP of " + metric, line);
        return;
    }
    if (TYPES.count(descriptor[3]) == 0)
        fail("unknown type", line);
    if (_sampled.count(metric) != 0)
        fail("TYPE of " + metric + " after its samples", line);
    if (!_types.emplace(metric, descriptor[3]).second)
        fail("second TYPE of " + metric, line);
}

void PrometheusText::parseSample(const std::string& line)
{
    std::smatch sample;
    if (!std::regex_match(line, sample, SAMPLE))
        fail("not a sample", line);
    const std::string metric = familyOf(sample[1]);
    if (_types.count(metric) == 0)
        fail("no TYPE line before the samples of " + metric, line);
    if (!std::regex_match(sample[4].str(), NUMBER))
        fail("the value is not a number", line);
    std::string series = sample[1];
    if (sample[2].matched)
        series += "{" + labelsOf(sample[3], line) + "}";
    if (!_samples.emplace(series, std::stod(sample[4])).second)
        fail("series " + series + " given twice", line);
    _sampled.insert(metric);
}

std::string PrometheusText::familyOf(const std::string& sampleName) const
{
    for (const std::string suffix : {"_bucket", "_sum", "_count"})
    {
        if (sampleName.size() <= suffix.size() ||
            sampleName.compare(sampleName.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string family = sampleName.substr(0, sampleName.size() - suffix.size());
        const auto found = _types.find(family);
        if (found != _types.end() && found->second == "histogram")
            return family;
    }
    return sampleName;
}

double PrometheusText::value(const std::string& series) const
{
    const auto found = _samples.find(series);
    if (found == _samples.end())
        throw std::out_of_range("no series " + series);
    return found->second;
}

std::string PrometheusText::type(const std::string& metric) const
{
    const auto found = _types.find(metric);
    return found == _types.end() ? std::string() : found->second;
}

std::string PrometheusText::help(const std::string& metric) const
{
    const auto found = _help.find(metric);
    return found == _help.end() ? std::string() : found->second;
}

std::size_t PrometheusText::size() const
{
    return _samples.size();
}

} // namespace TestSupport
