//
// LoRaWANServerApp.cpp
//
// Implementation of the LoRaWANServerApp class.
//

#include "app/LoRaWANServerApp.h"

#include "app/AppConstants.h"
#include "app/PidFile.h"
#include "app/ServiceHelp.h"
#include "app/ServiceWatchdog.h"
#include "app/SystemdNotifier.h"
#include "utility/ErrorHandler.h"
#include "utility/LogHelper.h"
#include "utility/Notification.h"
#include "utility/Process.h"
#include "worker/StartupAdvice.h"
#include "worker/WorkerThread.h"
#include "worker/config/ConfigCheck.h"
#include "worker/forwarding/ForwardingConstants.h"

#include <Poco/NotificationQueue.h>
#include <Poco/NumberParser.h>
#include <Poco/Process.h>
#include <Poco/Thread.h>
#include <Poco/ThreadPool.h>
#include <Poco/Util/IntValidator.h>
#include <Poco/Util/Option.h>
#include <Poco/Util/OptionCallback.h>
#include <Poco/Util/OptionException.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <unistd.h>

using Poco::Util::Option;
using Poco::Util::OptionCallback;
using Zel::Utility::LogHelper;

namespace
{

/// The frame waits for SIGINT, SIGQUIT and SIGTERM with sigwait() on the main
/// thread. Threads inherit the signal mask of the thread that creates them, so
/// the mask has to be in place before the first pool thread exists; otherwise a
/// termination request can land on a pool thread and kill the process outright.
void blockTerminationSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    if (!std::getenv("POCO_ENABLE_DEBUGGER"))
        sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGQUIT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

/// A consumer that goes away makes the next send fail; that failure must reach
/// the forwarding as an error, not end the process by SIGPIPE.
void ignoreBrokenPipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace

LoRaWANServerApp::~LoRaWANServerApp() = default;

void LoRaWANServerApp::defineOptions(Poco::Util::OptionSet& options)
{
    ServerApplication::defineOptions(options);
    options.addOption(Option(HELP_OPTION, "h", "Show this help and exit.")
                          .required(false)
                          .repeatable(false)
                          .callback(OptionCallback<LoRaWANServerApp>(this, &LoRaWANServerApp::handleHelp)));
    options.addOption(
        Option(VERSION_OPTION, "", "Show the version and whether this build drives the real HAL, and exit.")
            .required(false)
            .repeatable(false)
            .callback(OptionCallback<LoRaWANServerApp>(this, &LoRaWANServerApp::handleVersion)));
    _statistics.intervalSeconds = DEFAULT_STATS_INTERVAL_S;
    options.addOption(Option(STATS_INTERVAL_OPTION, "",
                             "Log the packet counters every SECONDS, and once more when the worker ends "
                             "(default " +
                                 std::to_string(DEFAULT_STATS_INTERVAL_S) + "; 0: never).")
                          .argument("SECONDS")
                          .validator(new Poco::Util::IntValidator(0, MAX_STATS_INTERVAL_S)));
    options.addOption(Option(METRICS_FILE_OPTION, "",
                             "Write the packet counters in Prometheus' text format to PATH every 10 s and "
                             "at shutdown (for node_exporter's textfile collector).")
                          .argument("PATH"));
    options.addOption(
        Option(
            CHECK_CONFIG_OPTION, "",
            "Read the configuration below MIREL_RUN as the service would, show what the concentrator would "
            "hold and every finding, and exit: 0 no finding, 2 warnings only, 1 an error. Touches neither "
            "the concentrator, the instance lock, the socket nor the log file.")
            .required(false)
            .repeatable(false)
            .callback(OptionCallback<LoRaWANServerApp>(this, &LoRaWANServerApp::handleCheckConfig)));
    options.addOption(
        Option(FORMAT_OPTION, "",
               "With --check-config: table (the default), for a person, or json, one object for "
               "scripts.")
            .argument("FORM"));
    options.addOption(
        Option(
            BACKLOG_OPTION, "",
            "Never wait for the consumer: keep up to FRAMES frames while it is away or slow, and send each "
            "until the consumer has read it whole (default 0: send each poll's frames and wait for the "
            "consumer to take them).")
            .argument("FRAMES")
            .validator(new Poco::Util::IntValidator(0, LoRaWANServer::MAX_BACKLOG_FRAMES)));
    options.addOption(
        Option(BACKLOG_AGE_OPTION, "",
               "With --backlog, drop the frames that waited longer than SECONDS (default: none).")
            .argument("SECONDS")
            .validator(new Poco::Util::IntValidator(1, LoRaWANServer::MAX_BACKLOG_AGE_S)));
    options.addOption(
        Option(BACKLOG_FILE_OPTION, "",
               "With --backlog, keep the frames left at a stop in PATH and send them first at the "
               "next start.")
            .argument("PATH"));
}

void LoRaWANServerApp::handleOption(const std::string& name, const std::string& value)
{
    if (name == PIDFILE_OPTION)
    {
        _pidFilePath = value;
        return;
    }
    ServerApplication::handleOption(name, value);
    if (name == STATS_INTERVAL_OPTION)
        _statistics.intervalSeconds = Poco::NumberParser::parse(value);
    else if (name == METRICS_FILE_OPTION)
    {
        if (value.empty())
            throw Poco::Util::InvalidArgumentException("--metrics-file needs a path");
        _statistics.metricsPath = value;
    }
    else if (name == BACKLOG_OPTION)
        _forwarding.backlogFrames = Poco::NumberParser::parse(value);
    else if (name == BACKLOG_AGE_OPTION)
        _forwarding.backlogAgeSeconds = Poco::NumberParser::parse(value);
    else if (name == BACKLOG_FILE_OPTION)
    {
        if (value.empty())
            throw Poco::Util::InvalidArgumentException("--backlog-file needs a path");
        _forwarding.backlogPath = value;
    }
    else if (name == FORMAT_OPTION)
    {
        if (value != FORMAT_TABLE && value != FORMAT_JSON)
            throw Poco::Util::InvalidArgumentException("--format expects table or json, not \"" + value +
                                                       "\"");
        _checkFormat = value;
    }
}

void LoRaWANServerApp::handleCheckConfig(const std::string& /*name*/, const std::string& /*value*/)
{
    if (_answer == ANSWER_NONE)
        _answer = ANSWER_CHECK;
}

void LoRaWANServerApp::handleHelp(const std::string& /*name*/, const std::string& /*value*/)
{
    _answer = ANSWER_HELP;
    stopOptionsProcessing();
}

void LoRaWANServerApp::handleVersion(const std::string& /*name*/, const std::string& /*value*/)
{
    _answer = ANSWER_VERSION;
    stopOptionsProcessing();
}

void LoRaWANServerApp::initialize(Poco::Util::Application& self)
{
    if (!isInteractive() && _answer == ANSWER_NONE)
    {
        redirectStreamsToLog();
        _streamsRedirected = true;
    }
    (void)loadConfiguration(0);
    Poco::Util::Application::initialize(self);
}

void LoRaWANServerApp::uninitialize()
{
    Poco::Util::Application::uninitialize();
    if (!_streamsRedirected)
        return;
    restoreStreams();
}

int LoRaWANServerApp::main(const std::vector<std::string>& /*args*/)
{
    if (!_checkFormat.empty() && _answer != ANSWER_CHECK)
    {
        std::cerr << "--format goes with --check-config" << std::endl;
        return EXIT_CONFIG;
    }
    if (_answer != ANSWER_NONE)
        return answer();
    if (!_forwarding.backlog() && (_forwarding.backlogAgeSeconds > 0 || !_forwarding.backlogPath.empty()))
    {
        std::cerr << program_invocation_short_name
                  << ": --backlog-age and --backlog-file need --backlog=FRAMES above 0" << std::endl;
        return EXIT_CONFIG;
    }
    ignoreBrokenPipes();

    const int ownId = static_cast<int>(Poco::Process::id());
    const std::string name = program_invocation_short_name;
    const int otherId = Zel::Utility::Process::isRunning(name, ownId);
    if (otherId >= 0)
    {
        LogHelper::log(" LoRaWAN Server is already running!");
        LogHelper::writeLine("  This PID: " + std::to_string(ownId));
        LogHelper::writeLine("  Other PID: " + std::to_string(otherId));
        return EXIT_ALREADY_RUNNING;
    }
    // Goes last, after the worker and its helpers, however main ends.
    std::optional<PidFile> pidFile;
    if (!_pidFilePath.empty())
        pidFile.emplace(_pidFilePath);

    blockTerminationSignals();
    std::unique_ptr<Zel::Utility::ErrorHandler> pErrorHandler(new Zel::Utility::ErrorHandler);
    pErrorHandler->setAdvice(&LoRaWANServer::StartupAdvice::forException);
    Poco::ErrorHandler* pPreviousHandler = Poco::ErrorHandler::set(pErrorHandler.get());

    LogHelper::log(std::string(" LoRaWAN server, version: ") + SERVICE_VERSION + " starting");

    std::unique_ptr<Poco::NotificationQueue> pQueue(new Poco::NotificationQueue);
    std::unique_ptr<LoRaWANServer::WorkerThread> pWorker(new LoRaWANServer::WorkerThread(pQueue.get()));
    pWorker->reportStatistics(_statistics);
    pWorker->forwardWith(_forwarding);
    const SystemdNotifier notifier;
    ServiceWatchdog watchdog(*pWorker, notifier);
    try
    {
        watchdog.start();
        Poco::ThreadPool::defaultPool().startWithPriority(WORKER_THREAD_PRIORITY, *pWorker,
                                                          WORKER_THREAD_NAME);
    }
    catch (...)
    {
        Poco::ErrorHandler::set(pPreviousHandler);
        throw;
    }

    waitForTerminationRequest();
    notifier.notify("STOPPING=1\nSTATUS=shutting down");
    pQueue->enqueueUrgentNotification(new Zel::Utility::Notification(
        Zel::Utility::Notification::ACTION_STOP, Zel::Utility::Notification::ACTION_NONE, nullptr, nullptr));

    // The watchdog stays through the wait: it ends a stop that hangs in the HAL.
    const bool stopped = waitForWorker();
    watchdog.stop();
    if (!stopped)
        LogHelper::log(" Thread is frozen!");
    Poco::ErrorHandler::set(pPreviousHandler);
    LogHelper::log(" LoRaWAN server shuts down");

    if (!stopped)
    {
        // The worker's thread may still use the worker, its queue and the
        // handler: they must outlive it, so they live until the process ends.
        _workerFrozen = true;
        (void)pWorker.release();
        (void)pQueue.release();
        (void)pErrorHandler.release();
    }
    return 0;
}

int LoRaWANServerApp::answer() const
{
    if (_answer == ANSWER_CHECK)
    {
        const bool json = _checkFormat == FORMAT_JSON;
        return LoRaWANServer::ConfigCheck::run(std::cout, json ? LoRaWANServer::ConfigCheck::FORMAT_JSON
                                                               : LoRaWANServer::ConfigCheck::FORMAT_TABLE);
    }
    const std::string command = program_invocation_short_name;
    if (_answer == ANSWER_HELP)
        ServiceHelp::writeHelp(std::cout, options(), command);
    else
        ServiceHelp::writeVersion(std::cout, command);
    std::cout.flush();
    return EXIT_OK;
}

bool LoRaWANServerApp::waitForWorker() const
{
    Poco::ThreadPool& pool = Poco::ThreadPool::defaultPool();
    for (int check = 0; check < SHUTDOWN_CHECKS; ++check)
    {
        Poco::Thread::sleep(SHUTDOWN_CHECK_INTERVAL_MS);
        if (pool.used() <= 0)
            break;
    }
    return pool.used() <= 0;
}

void LoRaWANServerApp::redirectStreamsToLog()
{
    _fdOut = ::open(LOG_FILE_PATH, LOG_FILE_FLAGS, LOG_FILE_MODE);
    _fdIn = ::open(LOG_FILE_PATH, LOG_FILE_FLAGS, LOG_FILE_MODE);
    _fdErr = ::open(LOG_FILE_PATH, LOG_FILE_FLAGS, LOG_FILE_MODE);

    _savedFdOut = ::dup(STDOUT_FILENO);
    _savedFdIn = ::dup(STDIN_FILENO);
    _savedFdErr = ::dup(STDERR_FILENO);

    // Whatever is still buffered belongs to the old destinations.
    std::cout.flush();
    std::fflush(stdout);
    std::fflush(stderr);
    // When the log file cannot be opened these fail and the streams stay where they are.
    ::dup2(_fdOut, STDOUT_FILENO);
    ::dup2(_fdIn, STDIN_FILENO);
    ::dup2(_fdErr, STDERR_FILENO);

    // The daemon frame reopened the C streams on /dev/null, which leaves them
    // fully buffered: lines written with the C functions would reach the log
    // late and out of order, and a process that ends with _exit() would lose
    // them. Every line goes to the log as it is written.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

void LoRaWANServerApp::restoreStreams()
{
    std::cout.flush();
    std::fflush(stdout);
    ::close(_fdOut);
    std::fflush(stdin);
    ::close(_fdIn);
    std::cerr.flush();
    std::fflush(stderr);
    ::close(_fdErr);

    ::dup2(_savedFdOut, STDOUT_FILENO);
    ::dup2(_savedFdIn, STDIN_FILENO);
    ::dup2(_savedFdErr, STDERR_FILENO);

    ::close(_savedFdOut);
    ::close(_savedFdIn);
    ::close(_savedFdErr);
}
