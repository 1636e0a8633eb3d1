//
// ConfigDocument.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  ConfigDocument
//
// Definition of the ConfigDocument and ConfigValue classes: the reader of
// JSON configuration files.
//

#ifndef LoRaWANServer_ConfigDocument_INCLUDED
#define LoRaWANServer_ConfigDocument_INCLUDED

#include <memory>
#include <string>
#include <vector>

namespace LoRaWANServer
{

class ConfigValue
/// A read-only view of one value of a ConfigDocument, or of no value (a
/// member that is missing). Valid as long as its document lives.
{
public:
    enum Type
    /// The JSON types, numbered as configuration tools traditionally number them.
    {
        TYPE_NONE = -1, /// no value
        TYPE_NULL = 1,
        TYPE_STRING = 2,
        TYPE_NUMBER = 3,
        TYPE_OBJECT = 4,
        TYPE_ARRAY = 5,
        TYPE_BOOLEAN = 6
    };

    ConfigValue();
    /// Creates a view of no value.

    Type type() const;
    bool isString() const;
    bool isNumber() const;
    bool isObject() const;
    bool isBoolean() const;

    ConfigValue member(const std::string& name) const;
    /// Returns the member called name (dots in name have no special meaning),
    /// or no value when this is not an object or has no such member.

    ConfigValue at(const std::string& dottedPath) const;
    /// Returns the value at dottedPath ("radio_0.freq": member "freq" of
    /// member "radio_0"), or no value when a segment is missing or names
    /// something that is not an object.

    double number() const;
    /// Returns the number, or 0 when this is not a number.

    bool boolean() const;
    /// Returns the boolean, or false when this is not a boolean.

    const std::string* string() const;
    /// Returns the text, or null when this is not a string.

    std::string text() const;
    /// Returns the value as JSON text ("true", "-166", "\"SX1257\""), an
    /// object or array as "{...}" or "[...]", no value as an empty text.

    std::vector<std::string> memberNames() const;
    /// Returns the names of the members of this object, in no particular
    /// order; none when this is not an object.

    static const char* typeName(Type type);
    /// Returns the type as a phrase for messages: "a string", "an object",
    /// "nothing" for no value.

private:
    friend class ConfigDocument;
    explicit ConfigValue(const void* pNode);

    const void* _pNode;
};

class ConfigDocument
/// A parsed configuration file: JSON text in which comments (/* */ and //)
/// are allowed, whose root is an object.
{
public:
    static const std::size_t MAX_FILE_SIZE = 1024 * 1024;
    /// Larger files are not read: a configuration is a few kilobytes, and a
    /// huge file must not exhaust a small board's memory. Parsed, a file can
    /// take some forty times its size (deeply nested arrays), so the limit
    /// keeps the worst case near forty megabytes.

    static std::unique_ptr<ConfigDocument> parseFile(const std::string& path,
                                                     std::string* pProblem = nullptr);
    /// Reads and parses the file at path. Returns null when the file cannot be
    /// read (missing, unreadable, not a regular file, larger than
    /// MAX_FILE_SIZE), is not JSON, or has a root that is not an object, and
    /// then says why in *pProblem when given: for text that is not JSON, the
    /// line and column where reading stopped and what was wrong there.
    /// Never blocks on a FIFO and never throws for any content.

    static std::unique_ptr<ConfigDocument> parseText(const std::string& text,
                                                     std::string* pProblem = nullptr);
    /// As parseFile(), for text held in memory.

    ~ConfigDocument();

    ConfigValue root() const;
    /// Returns the root object.

private:
    struct Content;
    explicit ConfigDocument(std::unique_ptr<Content> pContent);

    std::unique_ptr<Content> _pContent;
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_ConfigDocument_INCLUDED
