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

void ErrorHandler::exception(const Poco::Exception& exc)
{
    report(describe(exc));
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
    return " ERROR: " + className(typeid(exc)) + " in " + threadText() + ": " + exc.displayText() +
           ", shutting down";
}

std::string ErrorHandler::describe(const std::exception& exc)
{
    return " ERROR: " + className(typeid(exc)) + " in " + threadText() + ": " + exc.what() +
           ", shutting down";
}

void ErrorHandler::report(const std::string& line)
{
    LogHelper::log(line);
    if (_terminationRequest)
        _terminationRequest();
}

} // namespace Utility
} // namespace Zel
