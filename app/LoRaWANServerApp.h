//
// LoRaWANServerApp.h
//
// Library: LoRaWANServer_App
// Package: Application
// Module:  LoRaWANServerApp
//
// Definition of the LoRaWANServerApp class: the service application.
//

#ifndef LoRaWANServerApp_INCLUDED
#define LoRaWANServerApp_INCLUDED

#include "worker/StatisticsSettings.h"

#include <Poco/Util/OptionSet.h>
#include <Poco/Util/ServerApplication.h>

#include <string>
#include <vector>

class LoRaWANServerApp : public Poco::Util::ServerApplication
/// The service: refuses to run beside another instance, sends the standard
/// streams to the log file when it runs as a daemon, runs the concentrator
/// worker on Poco's default thread pool until a termination request, then
/// stops it and waits a bounded time for it.
///
/// Command-line options and daemon handling are those of
/// Poco::Util::ServerApplication (--daemon, --pidfile, --umask), and the
/// service's own: --stats-interval=SECONDS and --metrics-file=PATH.
{
public:
    ~LoRaWANServerApp() override;

    bool workerFrozen() const;
    /// Returns true when the worker was still running after the shutdown
    /// wait. It then still uses objects that the process must not destroy:
    /// the process has to end without running static destructors.

protected:
    void initialize(Poco::Util::Application& self) override;
    /// In daemon mode sends standard output, input and error to the log
    /// file; then loads the configuration of the frame.

    void uninitialize() override;
    /// In daemon mode puts the standard streams back where they were.

    void defineOptions(Poco::Util::OptionSet& options) override;
    /// Adds the service's options to those of the frame.

    void handleOption(const std::string& name, const std::string& value) override;
    /// Takes the value of an option; a value out of range has been refused
    /// by its validator before.

    int main(const std::vector<std::string>& args) override;
    /// The service body; returns 0 after a normal shutdown and 73 when
    /// another instance runs. The arguments are not read.

private:
    void redirectStreamsToLog();
    void restoreStreams();
    bool waitForWorker() const;

    int _fdOut = -1;
    int _fdIn = -1;
    int _fdErr = -1;
    int _savedFdOut = -1;
    int _savedFdIn = -1;
    int _savedFdErr = -1;
    bool _workerFrozen = false;
    LoRaWANServer::StatisticsSettings _statistics;
};

inline bool LoRaWANServerApp::workerFrozen() const
{
    return _workerFrozen;
}

#endif // LoRaWANServerApp_INCLUDED
