//
// PrometheusText.cpp
//
// Implementation of the PrometheusText reader.
//

#include "PrometheusText.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <set>
#include <sstream>
#include <stdexcept>

namespace TestSupport
{

namespace
{

const std::set<std::string> TYPES = {"counter", "gauge", "histogram", "summary", "untyped"};

class Cursor
/// Reads one line from left to right.
{
public:
    explicit Cursor(const std::string& line) : _line(line) {}

    bool atEnd() const { return _at >= _line.size(); }
    char peek() const { return atEnd() ? '\0' : _line[_at]; }

    void expect(char c)
    {
        if (peek() != c)
            fail(std::string("expected '") + c + "'");
        ++_at;
    }

    std::string name(bool colonAllowed)
    {
        const std::size_t from = _at;
        while (!atEnd() && (std::isalpha(static_cast<unsigned char>(peek())) || peek() == '_' ||
                            (colonAllowed && peek() == ':') ||
                            (_at > from && std::isdigit(static_cast<unsigned char>(peek())))))
            ++_at;
        if (_at == from)
            fail("expected a name");
        return _line.substr(from, _at - from);
    }

    std::string quoted()
    {
        expect('"');
        std::string value;
        for (;;)
        {
            if (atEnd())
                fail("unterminated label value");
            const char c = _line[_at++];
            if (c == '"')
                return value;
            if (c != '\\')
            {
                value.push_back(c);
                continue;
            }
            const char escaped = atEnd() ? '\0' : _line[_at++];
            if (escaped == 'n')
                value.push_back('\n');
            else if (escaped == '\\' || escaped == '"')
                value.push_back(escaped);
            else
                fail("bad escape in a label value");
        }
    }

    std::string word()
    {
        const std::size_t from = _at;
        while (!atEnd() && peek() != ' ' && peek() != '\t')
            ++_at;
        if (_at == from)
            fail("expected a value");
        return _line.substr(from, _at - from);
    }

    void blanks()
    {
        while (peek() == ' ' || peek() == '\t')
            ++_at;
    }

    std::string rest() const { return _line.substr(_at); }

    [[noreturn]] void fail(const std::string& what) const
    {
        throw std::runtime_error(what + " at column " + std::to_string(_at + 1) + " of \"" + _line + "\"");
    }

private:
    const std::string& _line;
    std::size_t _at = 0;
};

double number(const std::string& text, const Cursor& cursor)
{
    if (text == "+Inf" || text == "-Inf" || text == "NaN")
        return std::strtod(text.c_str(), nullptr);
    errno = 0;
    char* pEnd = nullptr;
    const double value = std::strtod(text.c_str(), &pEnd);
    if (errno != 0 || pEnd != text.c_str() + text.size() ||
        !(std::isdigit(static_cast<unsigned char>(text.back()))))
        cursor.fail("\"" + text + "\" is not a number");
    return value;
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
    Cursor cursor(line);
    cursor.expect('#');
    cursor.blanks();
    const std::string keyword = cursor.atEnd() ? "" : cursor.word();
    if (keyword != "HELP" && keyword != "TYPE")
        return; // any other comment
    cursor.blanks();
    const std::string metric = cursor.name(true);
    if (cursor.atEnd())
        cursor.fail("expected a text after the name");
    cursor.expect(' ');
    const std::string text = cursor.rest();
    if (keyword == "HELP")
    {
        if (!_help.emplace(metric, text).second)
            cursor.fail("second HELP of " + metric);
        return;
    }
    if (TYPES.count(text) == 0)
        cursor.fail("unknown type \"" + text + "\"");
    for (const auto& sample : _samples)
        if (sample.first.compare(0, metric.size(), metric) == 0 &&
            (sample.first.size() == metric.size() || sample.first[metric.size()] == '{'))
            cursor.fail("TYPE of " + metric + " after its samples");
    if (!_types.emplace(metric, text).second)
        cursor.fail("second TYPE of " + metric);
}

void PrometheusText::parseSample(const std::string& line)
{
    Cursor cursor(line);
    const std::string metric = cursor.name(true);
    if (_types.count(metric) == 0)
        cursor.fail("no TYPE line before the samples of " + metric);
    std::string series = metric;
    if (cursor.peek() == '{')
    {
        cursor.expect('{');
        series.push_back('{');
        std::set<std::string> labels;
        while (cursor.peek() != '}')
        {
            const std::string label = cursor.name(false);
            if (!labels.insert(label).second)
                cursor.fail("label " + label + " given twice");
            cursor.expect('=');
            const std::string value = cursor.quoted();
            if (labels.size() > 1)
                series.push_back(',');
            series.append(label).append("=\"").append(value).append("\"");
            if (cursor.peek() == ',')
                cursor.expect(',');
            else if (cursor.peek() != '}')
                cursor.fail("expected ',' or '}'");
        }
        cursor.expect('}');
        series.push_back('}');
    }
    if (cursor.peek() != ' ' && cursor.peek() != '\t')
        cursor.fail("expected a blank before the value");
    cursor.blanks();
    const double value = number(cursor.word(), cursor);
    cursor.blanks();
    if (!cursor.atEnd())
    {
        const std::string stamp = cursor.word();
        for (char c : stamp)
            if (!std::isdigit(static_cast<unsigned char>(c)) && c != '-')
                cursor.fail("bad time stamp \"" + stamp + "\"");
        cursor.blanks();
        if (!cursor.atEnd())
            cursor.fail("unexpected text after the time stamp");
    }
    if (!_samples.emplace(series, value).second)
        cursor.fail("series " + series + " given twice");
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
