//
// ConfigDocument.cpp
//
// Implementation of the ConfigDocument and ConfigValue classes over nlohmann-json.
//

#include "worker/config/ConfigDocument.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LoRaWANServer
{

namespace
{

using Json = nlohmann::json;

const Json* node(const void* pNode)
{
    return static_cast<const Json*>(pNode);
}

const std::string TOO_LARGE = "is larger than " + std::to_string(ConfigDocument::MAX_FILE_SIZE) + " bytes";

std::string cannotRead(int error)
{
    return std::string("cannot be read: ") + std::strerror(error);
}

/// Reads a whole regular file; returns an empty text, or why it cannot.
/// O_NONBLOCK keeps a FIFO given as the file from blocking the open; it is
/// then refused as not a regular file.
std::string readRegularFile(const std::string& path, std::string& text)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return cannotRead(errno);
    struct stat info;
    std::string problem;
    if (::fstat(fd, &info) != 0)
        problem = cannotRead(errno);
    else if (!S_ISREG(info.st_mode))
        problem = "is not a regular file";
    else if (static_cast<std::size_t>(info.st_size) > ConfigDocument::MAX_FILE_SIZE)
        problem = TOO_LARGE;
    text.clear();
    char buffer[65536];
    while (problem.empty())
    {
        const ssize_t got = ::read(fd, buffer, sizeof(buffer));
        if (got == 0)
            break;
        if (got < 0)
        {
            if (errno != EINTR)
                problem = cannotRead(errno);
            continue;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > ConfigDocument::MAX_FILE_SIZE)
            problem = TOO_LARGE; // grew while being read
    }
    ::close(fd);
    return problem;
}

/// Where reading stopped, as "line L, column C: what was wrong". The parser
/// counts the bytes it has read; its own text begins with an error number.
std::string syntaxProblem(const std::string& text, const Json::parse_error& error)
{
    const std::size_t stop = std::min<std::size_t>(error.byte, text.size());
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i + 1 < stop; ++i)
    {
        if (text[i] == '\n')
        {
            ++line;
            lineStart = i + 1;
        }
    }
    const std::size_t column = stop > lineStart ? stop - lineStart : 1;
    std::string reason = error.what();
    const std::string::size_type columnText = reason.find("column ");
    const std::string::size_type colon = reason.find(": ", columnText == std::string::npos ? 0 : columnText);
    if (colon != std::string::npos)
        reason.erase(0, colon + 2);
    // What follows is the text read so far, which the line and column point into.
    const std::string::size_type lastRead = reason.find("; last read");
    if (lastRead != std::string::npos)
        reason.erase(lastRead);
    return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + reason;
}

void setProblem(std::string* pProblem, const std::string& problem)
{
    if (pProblem)
        *pProblem = problem;
}

} // namespace

struct ConfigDocument::Content
{
    Json root;
};

ConfigValue::ConfigValue() : _pNode(nullptr) {}

ConfigValue::ConfigValue(const void* pNode) : _pNode(pNode) {}

ConfigValue::Type ConfigValue::type() const
{
    if (!_pNode)
        return TYPE_NONE;
    switch (node(_pNode)->type())
    {
        case Json::value_t::null:
            return TYPE_NULL;
        case Json::value_t::string:
            return TYPE_STRING;
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float:
            return TYPE_NUMBER;
        case Json::value_t::object:
            return TYPE_OBJECT;
        case Json::value_t::array:
            return TYPE_ARRAY;
        case Json::value_t::boolean:
            return TYPE_BOOLEAN;
        default:
            return TYPE_NONE;
    }
}

bool ConfigValue::isString() const
{
    return type() == TYPE_STRING;
}

bool ConfigValue::isNumber() const
{
    return type() == TYPE_NUMBER;
}

bool ConfigValue::isObject() const
{
    return type() == TYPE_OBJECT;
}

bool ConfigValue::isBoolean() const
{
    return type() == TYPE_BOOLEAN;
}

ConfigValue ConfigValue::member(const std::string& name) const
{
    if (!isObject())
        return ConfigValue();
    const Json& object = *node(_pNode);
    const auto found = object.find(name);
    return found == object.end() ? ConfigValue() : ConfigValue(&*found);
}

ConfigValue ConfigValue::at(const std::string& dottedPath) const
{
    ConfigValue current = *this;
    std::string::size_type start = 0;
    for (;;)
    {
        const std::string::size_type dot = dottedPath.find('.', start);
        if (dot == std::string::npos)
            return current.member(dottedPath.substr(start));
        current = current.member(dottedPath.substr(start, dot - start));
        start = dot + 1;
    }
}

double ConfigValue::number() const
{
    return isNumber() ? node(_pNode)->get<double>() : 0.0;
}

bool ConfigValue::boolean() const
{
    return isBoolean() ? node(_pNode)->get<bool>() : false;
}

const std::string* ConfigValue::string() const
{
    return isString() ? node(_pNode)->get_ptr<const std::string*>() : nullptr;
}

std::string ConfigValue::text() const
{
    switch (type())
    {
        case TYPE_NONE:
            return "";
        case TYPE_OBJECT:
            return "{...}";
        case TYPE_ARRAY:
            return "[...]";
        default:
            // Invalid UTF-8 in a string is written as the replacement character.
            return node(_pNode)->dump(-1, ' ', false, Json::error_handler_t::replace);
    }
}

std::vector<std::string> ConfigValue::memberNames() const
{
    std::vector<std::string> names;
    if (isObject())
    {
        for (const auto& member : node(_pNode)->items())
            names.push_back(member.key());
    }
    return names;
}

const char* ConfigValue::typeName(Type type)
{
    switch (type)
    {
        case TYPE_NULL:
            return "null";
        case TYPE_STRING:
            return "a string";
        case TYPE_NUMBER:
            return "a number";
        case TYPE_OBJECT:
            return "an object";
        case TYPE_ARRAY:
            return "an array";
        case TYPE_BOOLEAN:
            return "a boolean";
        default:
            return "nothing";
    }
}

std::unique_ptr<ConfigDocument> ConfigDocument::parseFile(const std::string& path, std::string* pProblem)
{
    std::string text;
    const std::string problem = readRegularFile(path, text);
    if (!problem.empty())
    {
        setProblem(pProblem, problem);
        return nullptr;
    }
    return parseText(text, pProblem);
}

std::unique_ptr<ConfigDocument> ConfigDocument::parseText(const std::string& text, std::string* pProblem)
{
    std::unique_ptr<Content> pContent(new Content);
    // No exceptions: a parse error gives a discarded value. Comments are allowed.
    pContent->root = Json::parse(text, nullptr, false, true);
    if (pContent->root.is_discarded())
    {
        if (pProblem)
        {
            // Only a failed text is read again, to learn where it failed.
            try
            {
                const Json again = Json::parse(text, nullptr, true, true);
                (void)again;
            }
            catch (const Json::parse_error& error)
            {
                *pProblem = syntaxProblem(text, error);
            }
            catch (const Json::exception& error)
            {
                *pProblem = std::string("is not JSON: ") + error.what();
            }
        }
        return nullptr;
    }
    if (!pContent->root.is_object())
    {
        setProblem(pProblem, std::string("its root is ") +
                                 ConfigValue::typeName(ConfigValue(&pContent->root).type()) +
                                 ", not an object");
        return nullptr;
    }
    return std::unique_ptr<ConfigDocument>(new ConfigDocument(std::move(pContent)));
}

ConfigDocument::ConfigDocument(std::unique_ptr<Content> pContent) : _pContent(std::move(pContent)) {}

ConfigDocument::~ConfigDocument() = default;

ConfigValue ConfigDocument::root() const
{
    return ConfigValue(&_pContent->root);
}

} // namespace LoRaWANServer
