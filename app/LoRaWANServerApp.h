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

#include "worker/forwarding/ForwardingSettings.h"
#include "worker/statistics/StatisticsSettings.h"

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
/// Daemon handling and the options --daemon and --umask are those of
/// Poco::Util::ServerApplication. --pidfile is written only once this process
/// is the running instance (see PidFile). --help (-h) and --version answer
/// without starting anything, and so does --check-config (with --format
/// table or json), which checks the configuration instead.
/// --stats-interval=SECONDS and --metrics-file=PATH set how the worker
/// reports its counts; --backlog=FRAMES, --backlog-age=SECONDS and
/// --backlog-file=PATH how it forwards its frames.
{
public:
    ~LoRaWANServerApp() override;

    bool workerFrozen() const;
    /// Returns true when the worker was still running after the shutdown
    /// wait. It then still uses objects that the process must not destroy:
    /// the process has to end without running static destructors.

protected:
    void defineOptions(Poco::Util::OptionSet& options) override;
    /// The frame's options, then --help (-h), --version, --stats-interval,
    /// --metrics-file, --backlog, --backlog-age, --backlog-file, --check-config
    /// and --format.

    void handleOption(const std::string& name, const std::string& value) override;
    /// Keeps the path of --pidfile for main(); the frame would write the file
    /// at once, before the instance check. Takes the statistics and backlog
    /// options' values, once their validators have accepted them.

    void initialize(Poco::Util::Application& self) override;
    /// In daemon mode sends standard output, input and error to the log
    /// file, unless only --help, --version or --check-config is to be
    /// answered; then loads
    /// the configuration of the frame.

    void uninitialize() override;
    /// In daemon mode puts the standard streams back where they were.

    int main(const std::vector<std::string>& args) override;
    /// The service body; returns 0 after a normal shutdown and 73 when
    /// another instance runs. The arguments are not read. Answers --help or
    /// --version instead, with 0, when one was given, or --check-config with
    /// the check's status.

private:
    enum Answer
    {
        ANSWER_NONE,
        ANSWER_HELP,
        ANSWER_VERSION,
        ANSWER_CHECK
    };

    void handleHelp(const std::string& name, const std::string& value);
    void handleVersion(const std::string& name, const std::string& value);
    void handleCheckConfig(const std::string& name, const std::string& value);
    int answer() const;
    void redirectStreamsToLog();
    void restoreStreams();
    bool waitForWorker() const;

    int _fdOut = -1;
    int _fdIn = -1;
    int _fdErr = -1;
    int _savedFdOut = -1;
    int _savedFdIn = -1;
    int _savedFdErr = -1;
    bool _streamsRedirected = false;
    bool _workerFrozen = false;
    Answer _answer = ANSWER_NONE;
    std::string _pidFilePath;
    std::string _checkFormat;
    LoRaWANServer::StatisticsSettings _statistics;
    LoRaWANServer::ForwardingSettings _forwarding;
};

inline bool LoRaWANServerApp::workerFrozen() const
{
    return _workerFrozen;
}

#endif // LoRaWANServerApp_INCLUDED
