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
/// standard output, adds a line of advice where the cause is known, and then
/// asks the service to shut down.
///
/// A service whose worker thread has died forwards nothing while it still
/// looks alive to its supervisor; ending it through its normal shutdown lets
/// the supervisor see the failure and start it again.
{
public:
    using TerminationRequest = std::function<void()>;

    using Advice = std::function<std::string(const Poco::Exception&)>;
    /// Says what to do about an exception, or returns an empty text when its
    /// cause is not known.

    ErrorHandler();
    /// Creates a handler whose termination request is
    /// Poco::Util::ServerApplication::terminate().

    explicit ErrorHandler(TerminationRequest request);
    /// Creates a handler that calls request instead, after reporting.

    ~ErrorHandler() override;

    void setAdvice(Advice advice);
    /// Makes the handler ask advice about every Poco::Exception it reports.

    void exception(const Poco::Exception& exc) override;
    /// Reports the exception's class and displayText() (without a time stamp
    /// the message may carry), then the advice for it, if any, then requests
    /// termination.

    void exception(const std::exception& exc) override;
    /// Reports the exception's class and what(), then requests termination.

    void exception() override;
    /// Reports an exception of unknown type, then requests termination.

    static std::string describe(const Poco::Exception& exc);
    /// Returns the report line of exc without its time stamp.

    static std::string describe(const std::exception& exc);
    /// Returns the report line of exc without its time stamp.

    static void writeAdvice(const std::string& advice);
    /// Writes one time-stamped line of advice, " ADVICE: " and advice, to
    /// standard output: what to do about the failure reported just before.

private:
    void report(const std::string& line, const std::string& advice = "");

    TerminationRequest _terminationRequest;
    Advice _advice;
};

} // namespace Utility
} // namespace Zel

#endif // Zel_Utility_ErrorHandler_INCLUDED
