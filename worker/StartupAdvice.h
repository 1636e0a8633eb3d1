//
// StartupAdvice.h
//
// Library: LoRaWANServer_Worker
// Package: Worker
// Module:  StartupAdvice
//
// Definition of the StartupAdvice class: what to do about a failure that
// ends the worker.
//

#ifndef LoRaWANServer_StartupAdvice_INCLUDED
#define LoRaWANServer_StartupAdvice_INCLUDED

#include <Poco/Exception.h>

#include <string>

namespace LoRaWANServer
{

class StartupAdvice
/// One line of advice for each failure of the worker whose cause is known:
/// the operator reads what to change next to the error handler's report.
{
public:
    static std::string forException(const Poco::Exception& exc);
    /// Returns what to do about exc, which ended the worker, or an empty text
    /// when it is not one of the worker's own failures.
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_StartupAdvice_INCLUDED
