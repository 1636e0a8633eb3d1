//
// ErrorHandler.cpp
//
// Implementation of the ErrorHandler class.
//

#include "utility/ErrorHandler.h"

#include "utility/LogHelper.h"

#include <Poco/Exception.h>
#include <Poco/Thread.h>
#include <Poco/Util/ServerApplication.h>

#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace Zel
{
namespace Utility
{

namespace
{

std::string className(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> pName(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                 std::free);
    return status == 0 && pName ? std::string(pName.get()) : std::string(type.name());
}

std::string threadText()
{
    const Poco::Thread* pThread = Poco::Thread::current();
    if (!pThread)
        return "the main thread";
    return "thread \"" + pThread->getName() + "\"";
}

} // namespace

ErrorHandler::ErrorHandler() : _terminationRequest(&Poco::Util::ServerApplication::terminate) {}

ErrorHandler::ErrorHandler(TerminationRequest request) : _terminationRequest(std::move(request)) {}

ErrorHandler::~ErrorHandler() = default;

void ErrorHandler::setAdvice(Advice advice)
{
    _advice = std::move(advice);
}

void ErrorHandler::exception(const Poco::Exception& exc)
{
    report(describe(exc), _advice ? _advice(exc) : std::string());
}

void ErrorHandler::exception(const std::exception& exc)
{
    report(describe(exc));
}

void ErrorHandler::exception()
{
    report(" ERROR: unknown exception in " + threadText() + ", shutting down");
}

std::string ErrorHandler::describe(const Poco::Exception& exc)
{
    // Some messages begin with the time stamp of a line already logged; one
    // stamp per line is enough.
    std::string text = exc.name();
    const std::string message = LogHelper::withoutTimeStamp(exc.message());
    if (!message.empty())
        text += ": " + message;
    return " ERROR: " + className(typeid(exc)) + " in " + threadText() + ": " + text + ", shutting down";
}

std::string ErrorHandler::describe(const std::exception& exc)
{
    return " ERROR: " + className(typeid(exc)) + " in " + threadText() + ": " + exc.what() +
           ", shutting down";
}

void ErrorHandler::writeAdvice(const std::string& advice)
{
    LogHelper::log(" ADVICE: " + advice);
}

void ErrorHandler::report(const std::string& line, const std::string& advice)
{
    LogHelper::log(line);
    if (!advice.empty())
        writeAdvice(advice);
    if (_terminationRequest)
        _terminationRequest();
}

} // namespace Utility
} // namespace Zel
