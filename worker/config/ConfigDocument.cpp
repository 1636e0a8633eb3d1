//
// ConfigDocument.cpp
//
// Implementation of the ConfigDocument and ConfigValue classes over nlohmann-json.
//

#include "worker/config/ConfigDocument.h"

#include <nlohmann/json.hpp>

#include <cerrno>
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

/// Reads a whole regular file. O_NONBLOCK keeps a FIFO given as the file from
/// blocking the open; it is then refused as not a regular file.
bool readRegularFile(const std::string& path, std::string& text)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
              static_cast<std::size_t>(info.st_size) <= ConfigDocument::MAX_FILE_SIZE;
    if (ok)
    {
        text.clear();
        char buffer[65536];
        for (;;)
        {
            const ssize_t got = ::read(fd, buffer, sizeof(buffer));
            if (got == 0)
                break;
            if (got < 0)
            {
                if (errno == EINTR)
                    continue;
                ok = false;
                break;
            }
            text.append(buffer, static_cast<std::size_t>(got));
            if (text.size() > ConfigDocument::MAX_FILE_SIZE)
            {
                ok = false; // grew while being read
                break;
            }
        }
    }
    ::close(fd);
    return ok;
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

std::unique_ptr<ConfigDocument> ConfigDocument::parseFile(const std::string& path)
{
    std::string text;
    if (!readRegularFile(path, text))
        return nullptr;
    return parseText(text);
}

std::unique_ptr<ConfigDocument> ConfigDocument::parseText(const std::string& text)
{
    std::unique_ptr<Content> pContent(new Content);
    // No exceptions: a parse error gives a discarded value. Comments are allowed.
    pContent->root = Json::parse(text, nullptr, false, true);
    if (!pContent->root.is_object())
        return nullptr;
    return std::unique_ptr<ConfigDocument>(new ConfigDocument(std::move(pContent)));
}

ConfigDocument::ConfigDocument(std::unique_ptr<Content> pContent) : _pContent(std::move(pContent)) {}

ConfigDocument::~ConfigDocument() = default;

ConfigValue ConfigDocument::root() const
{
    return ConfigValue(&_pContent->root);
}

} // namespace LoRaWANServer
