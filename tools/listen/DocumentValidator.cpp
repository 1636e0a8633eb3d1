//
// DocumentValidator.cpp
//
// Implementation of the DocumentValidator class. This is the one place where
// the tool uses the JSON library.
//

#include "tools/listen/DocumentValidator.h"

#include <nlohmann/json.hpp>

#include <string>

namespace LoRaWANListen
{

namespace
{

using Json = nlohmann::json;

class DocumentReader : public nlohmann::json_sax<Json>
/// Follows the parser's events and keeps what the tool needs: whether the
/// root is an object, its "type" and "data" members, and the scalar members
/// of "data" that name packet fields.
{
public:
    explicit DocumentReader(PacketDocument& document) : _document(document) {}

    bool null() override { return scalar(std::string_view()); }
    bool boolean(bool) override { return scalar(std::string_view()); }
    bool number_integer(number_integer_t value) override { return scalar(std::to_string(value)); }
    bool number_unsigned(number_unsigned_t value) override { return scalar(std::to_string(value)); }
    bool number_float(number_float_t, const string_t& text) override { return scalar(text); }
    bool binary(binary_t&) override { return scalar(std::string_view()); }

    bool string(string_t& value) override
    {
        if (!valueStarts())
        {
            return false;
        }
        if (_depth == 1 && _rootKey == RootKey::Type)
        {
            _typeIsString = true;
            _document.setType(value);
        }
        else if (_depth == 2 && _inData && _fieldKnown)
        {
            _document.setField(_field, value);
        }
        return true;
    }

    bool start_object(std::size_t) override
    {
        if (_depth == 0)
        {
            ++_depth;
            return true;
        }
        if (!valueStarts())
        {
            return false;
        }
        if (_depth == 1 && _rootKey == RootKey::Data)
        {
            _inData = true;
        }
        ++_depth;
        return true;
    }

    bool end_object() override
    {
        --_depth;
        if (_depth == 1)
        {
            _inData = false;
        }
        return true;
    }

    bool start_array(std::size_t) override
    {
        if (!valueStarts())
        {
            return false;
        }
        ++_depth;
        return true;
    }

    bool end_array() override
    {
        --_depth;
        return true;
    }

    bool key(string_t& name) override
    {
        if (_depth == 1)
        {
            _rootKey = name == "type" ? RootKey::Type : name == "data" ? RootKey::Data : RootKey::Other;
        }
        else if (_depth == 2 && _inData)
        {
            _fieldKnown = PacketDocument::findField(name, _field);
        }
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& ex) override
    {
        _parseError = describe(ex.what());
        return false;
    }

    bool rootIsObject() const { return _rootIsObject; }
    bool sawType() const { return _sawType; }
    bool typeIsString() const { return _typeIsString; }
    bool sawData() const { return _sawData; }
    const std::string& parseError() const { return _parseError; }

private:
    enum class RootKey
    {
        Type,
        Data,
        Other
    };

    // Every value passes here before its depth changes; only at the root does
    // it decide anything the parser cannot.
    bool valueStarts()
    {
        if (_depth == 0)
        {
            _rootIsObject = false;
            return false;
        }
        if (_depth == 1)
        {
            if (_rootKey == RootKey::Type)
            {
                _sawType = true;
                _typeIsString = false;
            }
            else if (_rootKey == RootKey::Data)
            {
                _sawData = true;
            }
        }
        return true;
    }

    bool scalar(std::string_view text)
    {
        if (!valueStarts())
        {
            return false;
        }
        if (_depth == 2 && _inData && _fieldKnown && !text.empty())
        {
            _document.setField(_field, text);
        }
        return true;
    }

    // The library's messages begin with an identifier in brackets that says
    // nothing to a user.
    static std::string describe(const char* what)
    {
        std::string text(what);
        const std::size_t close = text.find("] ");
        if (!text.empty() && text.front() == '[' && close != std::string::npos)
        {
            text.erase(0, close + 2);
        }
        return text;
    }

    PacketDocument& _document;
    int _depth = 0;
    RootKey _rootKey = RootKey::Other;
    bool _inData = false;
    bool _fieldKnown = false;
    PacketDocument::Field _field = PacketDocument::FreqHz;
    bool _sawType = false;
    bool _typeIsString = false;
    bool _sawData = false;
    bool _rootIsObject = true;
    std::string _parseError;
};

} // namespace

bool DocumentValidator::validate(std::string_view text, PacketDocument& document, std::string& error)
{
    document.clear();
    if (text.empty())
    {
        error = "empty frame";
        return false;
    }
    DocumentReader reader(document);
    const bool parsed = Json::sax_parse(text.begin(), text.end(), &reader);
    if (!reader.rootIsObject())
    {
        error = "not a JSON object";
        return false;
    }
    if (!parsed)
    {
        error = "not valid JSON: " + reader.parseError();
        return false;
    }
    if (!reader.sawType())
    {
        error = "no \"type\" member";
        return false;
    }
    if (!reader.typeIsString())
    {
        error = "the \"type\" member is not a string";
        return false;
    }
    if (!reader.sawData())
    {
        error = "no \"data\" member";
        return false;
    }
    return true;
}

} // namespace LoRaWANListen
