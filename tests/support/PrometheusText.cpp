//
// PrometheusText.cpp
//
// Implementation of the PrometheusText reader.
//

#include "PrometheusText.h"

#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace TestSupport
{

namespace
{

const std::set<std::string> TYPES = {"counter", "gauge", "histogram", "summary", "untyped"};

const std::regex DESCRIPTOR(R"(#[ \t]+(HELP|TYPE)[ \t]+([a-zA-Z_:][a-zA-Z0-9_:]*)[ \t](.*))");

// Samples are read by hand: a metrics file of a few thousand lines is read
// many times a second by some tests, too often for regular expressions.
[[noreturn]] void fail(const std::string& what, const std::string& line)
{
    throw std::runtime_error(what + " in \"" + line + "\"");
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The name at position, [a-zA-Z_][a-zA-Z0-9_]* (and ':' for a metric); empty if none.
std::string nameAt(const std::string& line, std::size_t& position, bool isMetric)
{
    const std::size_t start = position;
    while (position < line.size() && (isLetter(line[position]) || (isMetric && line[position] == ':') ||
                                      (position > start && isDigit(line[position]))))
        ++position;
    return line.substr(start, position - start);
}

// The labels from after the "{" to after the "}", as name="value" joined by commas.
std::string labelsAt(const std::string& line, std::size_t& position)
{
    std::string joined;
    std::set<std::string> names;
    while (position < line.size() && line[position] != '}')
    {
        const std::string name = nameAt(line, position, false);
        if (name.empty() || line.compare(position, 2, "=\"") != 0)
            fail("malformed labels", line);
        position += 2;
        std::string value;
        while (position < line.size() && line[position] != '"')
        {
            if (line[position] == '\\')
            {
                if (position + 1 >= line.size() ||
                    std::string("\"\\n").find(line[position + 1]) == std::string::npos)
                    fail("malformed labels", line);
                value += line[position++];
            }
            value += line[position++];
        }
        if (position >= line.size())
            fail("malformed labels", line);
        ++position;
        if (!names.insert(name).second)
            fail("label " + name + " given twice", line);
        joined += (joined.empty() ? "" : ",") + name + "=\"" + value + "\"";
        if (position < line.size() && line[position] == ',')
            ++position;
        else if (position >= line.size() || line[position] != '}')
            fail("malformed labels", line);
    }
    if (position >= line.size())
        fail("malformed labels", line);
    ++position;
    return joined;
}

bool isNumber(const std::string& text)
{
    if (text == "NaN" || text == "+Inf" || text == "-Inf")
        return true;
    if (text.empty() || text.find_first_not_of("0123456789+-.eE") != std::string::npos)
        return false;
    char* pEnd = nullptr;
    std::strtod(text.c_str(), &pEnd);
    return pEnd == text.c_str() + text.size();
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
    // name, labels, value, an optional time stamp in milliseconds
    std::size_t position = 0;
    const std::string name = nameAt(line, position, true);
    if (name.empty())
        fail("not a sample", line);
    std::string series = name;
    if (position < line.size() && line[position] == '{')
        series += "{" + labelsAt(line, ++position) + "}";
    std::vector<std::string> words;
    while (position < line.size())
    {
        if (!isBlank(line[position]))
            fail("not a sample", line);
        while (position < line.size() && isBlank(line[position]))
            ++position;
        const std::size_t start = position;
        while (position < line.size() && !isBlank(line[position]))
            ++position;
        if (position > start)
            words.push_back(line.substr(start, position - start));
    }
    const std::size_t digits = words.size() == 2 && words[1][0] == '-' ? 1 : 0;
    const bool stamped = words.size() == 2 && words[1].size() > digits &&
                         words[1].find_first_not_of("0123456789", digits) == std::string::npos;
    if (words.empty() || (words.size() == 2 && !stamped) || words.size() > 2)
        fail("not a sample", line);
    const std::string metric = familyOf(name);
    if (_types.count(metric) == 0)
        fail("no TYPE line before the samples of " + name, line);
    if (!isNumber(words[0]))
        fail("the value is not a number", line);
    if (!_samples.emplace(series, std::stod(words[0])).second)
        fail("series " + series + " given twice", line);
    _sampled.insert(metric);
}

std::string PrometheusText::familyOf(const std::string& name) const
{
    // The series of a histogram carry a suffix after the family's name, the
    // sum and count of a summary too.
    for (const std::string suffix : {"_bucket", "_sum", "_count"})
    {
        if (name.size() <= suffix.size() ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string family = name.substr(0, name.size() - suffix.size());
        const auto found = _types.find(family);
        if (found != _types.end() &&
            (found->second == "histogram" || (found->second == "summary" && suffix != "_bucket")))
            return family;
    }
    return name;
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
