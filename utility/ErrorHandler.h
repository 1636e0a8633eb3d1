//
// ErrorHandler.h
//
// Library: Zel_Utility
// Package: Errors
// Module:  ErrorHandler
//
// Definition of the ErrorHandler class: the process-wide handler of
// exceptions that end a thread.
//

#ifndef Zel_Utility_ErrorHandler_INCLUDED
#define Zel_Utility_ErrorHandler_INCLUDED

#include <Poco/ErrorHandler.h>

#include <functional>
#include <string>

namespace Zel
{
namespace Utility
{

class ErrorHandler : public Poco::ErrorHandler
/// Reports every exception that leaves a thread as one time-stamped line on
/// standard output and then asks the service to shut down.
///
/// A service whose worker thread has died forwards nothing while it still
/// looks alive to its supervisor; ending it through its normal shutdown lets
/// the supervisor see the failure and start it again.
{
public:
    using TerminationRequest = std::function<void()>;

    ErrorHandler();
    /// Creates a handler whose termination request is
    /// Poco::Util::ServerApplication::terminate().

    explicit ErrorHandler(TerminationRequest request);
    /// Creates a handler that calls request instead, after reporting.

    ~ErrorHandler() override;

    void exception(const Poco::Exception& exc) override;
    /// Reports the exception's class and displayText(), then requests termination.

    void exception(const std::exception& exc) override;
    /// Reports the exception's class and what(), then requests termination.

    void exception() override;
    /// Reports an exception of unknown type, then requests termination.

    static std::string describe(const Poco::Exception& exc);
    /// Returns the report line of exc without its time stamp.

    static std::string describe(const std::exception& exc);
    /// Returns the report line of exc without its time stamp.

private:
    void report(const std::string& line);

    TerminationRequest _terminationRequest;
};

} // namespace Utility
} // namespace Zel

#endif // Zel_Utility_ErrorHandler_INCLUDED
