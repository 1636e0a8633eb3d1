//
// MarkupFactoryJSON.h
//
// Definition of the MarkupFactoryJSON class, the JSON dialect of the markup writer.
//

#ifndef Markup_MarkupFactoryJSON_INCLUDED
#define Markup_MarkupFactoryJSON_INCLUDED

#include "markup/MarkupFactory.h"

namespace Zel
{
namespace BACnet
{
namespace WS
{

class TextStream;

class MarkupFactoryJSON : public MarkupFactory
/// Writes CSML-style JSON: an element becomes a member of the enclosing object
/// and its scalar value a quoted string.
///
/// The compact form (written while _fullFormScopes is empty, which is always
/// the case in the service) writes names, values and object braces only:
///
///     "obj":{"a":"x","b":"5"}
///
/// The full form makes every element an object that begins with its "$base"
/// member and carries its attributes as "$"-members.
///
/// Names, values and attribute texts are escaped as JSON requires (quotation
/// mark, backslash and control characters); bytes of 0x80 and above pass
/// unchanged. No JSON arrays are written: array markers only affect the stack
/// and the indentation.
///
/// Whether the next element is the first member of its object carries over
/// from one document to the next: a further root element written on the same
/// writer is preceded by a comma.
{
public:
    MarkupFactoryJSON(std::ostream& ostr, bool format, bool auxFlag);
    /// Creates a plain-text JSON writer over ostr (see MarkupFactory).

    MarkupFactoryJSON(TextStream& ostr, bool format, bool auxFlag);
    /// Creates a plain-text JSON writer that places each element's text
    /// straight into the memory of ostr.

    MarkupFactoryJSON(std::ostream& ostr, Poco::DeflatingStreamBuf::StreamType streamType, bool format,
                      bool auxFlag);
    /// Creates a compressing JSON writer over ostr (see MarkupFactory).

    ~MarkupFactoryJSON() override;
    /// Destroys the writer without writing anything.

protected:
    bool allowArrays() override;
    /// Returns true: every element written with isArray pushes an array marker.

    void descMarkup(const char* baseTypeName, const std::string& name, const std::string& value,
                    bool closeImmediately, bool isArray, bool isArrayElement, const std::string& comment,
                    int error, const std::string& errorText, const std::string& displayName,
                    const std::string& type, bool truncated, const std::string& maximum,
                    const std::string& minimum, const std::string& contextTag,
                    const std::string& propertyIdentifier, const std::string& writable,
                    const std::string& description, bool omitEmptyValue) override;
    /// Writes the opening of one element, preceded by a comma unless it is the
    /// first member of its object.
    ///
    /// In the compact form a named primitive element that is closed at once is
    /// a bare member ("name":"value"); any other primitive element (nameless,
    /// an array element, or left open) is an object holding its value as
    /// "$value", so that its closing brace always has an opening one. In the
    /// compact form a primitive value is always written, even an empty one with
    /// omitEmptyValue, unless it stands in a "$value" member of its own.

    void descCloseOpenMarkup(const std::string& baseTypeName, bool arrayMarker) override;
    /// Writes "}" for an element entry and nothing for an array marker.

    bool _firstMember;
    /// True while the next element is the first member of the innermost object.

private:
    class Output;

    void descCompactObject(Output& out, const std::string& name, const std::string& value, bool constructed,
                           bool anonymous, bool closeImmediately, bool omitEmptyValue);
    void descFullMarkup(Output& out, const char* baseTypeName, const std::string& name,
                        const std::string& value, bool closeImmediately, bool isArrayElement,
                        const std::string& comment, int error, const std::string& errorText,
                        const std::string& displayName, const std::string& type, bool truncated,
                        const std::string& maximum, const std::string& minimum, const std::string& contextTag,
                        const std::string& propertyIdentifier, const std::string& writable,
                        const std::string& description, bool omitEmptyValue);

    bool isConstructed(const char* baseTypeName) const;
    static bool isListLike(const char* baseTypeName);
    static bool isArrayType(const char* baseTypeName);

    TextStream* _pTextStream;
    /// The target stream when it is a TextStream, else null.
};

} // namespace WS
} // namespace BACnet
} // namespace Zel

#endif // Markup_MarkupFactoryJSON_INCLUDED
