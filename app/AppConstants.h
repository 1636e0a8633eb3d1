//
// AppConstants.h
//
// Library: LoRaWANServer_App
// Package: Application
// Module:  AppConstants
//
// Fixed values of the service application.
//

#ifndef LoRaWANServer_AppConstants_INCLUDED
#define LoRaWANServer_AppConstants_INCLUDED

#include <Poco/Thread.h>

#include <fcntl.h>

/// Version text of the start message.
const char* const SERVICE_VERSION = "200105A";

/// Log file that receives the standard streams in daemon mode.
const char* const LOG_FILE_PATH = "/opt/Halvane/Mirel/bin/lorawan/lorawanserver.log";

/// The log file is only ever appended to, and readable by the owner alone.
const int LOG_FILE_FLAGS = O_RDWR | O_CREAT | O_APPEND;
const mode_t LOG_FILE_MODE = 0600;

/// Name and priority of the worker's pool thread.
const char* const WORKER_THREAD_NAME = "LoRaWANServer_WorkerThread";
const Poco::Thread::Priority WORKER_THREAD_PRIORITY = Poco::Thread::PRIO_NORMAL;

/// Name of the watchdog's thread, and how often it looks at the worker.
const char* const WATCHDOG_THREAD_NAME = "LoRaWANServer_Watchdog";
const long WATCHDOG_TICK_MS = 250;

/// Shutdown: at most SHUTDOWN_CHECKS checks whether the worker has ended,
/// each after SHUTDOWN_CHECK_INTERVAL_MS.
const int SHUTDOWN_CHECKS = 300;
const long SHUTDOWN_CHECK_INTERVAL_MS = 100;

/// Options of the command line: the frame's, whose handling the service takes
/// over, and the service's own.
const char* const PIDFILE_OPTION = "pidfile";
const char* const HELP_OPTION = "help";
const char* const VERSION_OPTION = "version";
const char* const STATS_INTERVAL_OPTION = "stats-interval";
const char* const METRICS_FILE_OPTION = "metrics-file";
const char* const CHECK_CONFIG_OPTION = "check-config";
const char* const FORMAT_OPTION = "format";
const char* const FORMAT_TABLE = "table";
const char* const FORMAT_JSON = "json";
const char* const BACKLOG_OPTION = "backlog";
const char* const BACKLOG_AGE_OPTION = "backlog-age";
const char* const BACKLOG_FILE_OPTION = "backlog-file";

/// Seconds between two statistics lines by default, and at most (a day); 0
/// for none.
const long DEFAULT_STATS_INTERVAL_S = 60;
const int MAX_STATS_INTERVAL_S = 86400;

/// Exit status when another instance runs.
const int EXIT_ALREADY_RUNNING = 73;

/// Exit status when a Poco::Exception leaves the application frame.
const int EXIT_APPLICATION_FAILURE = 70;

/// Exit status when a concentrator call has not returned within its deadline
/// (EX_TEMPFAIL: starting again may well work).
const int EXIT_CONCENTRATOR_HUNG = 75;

#endif // LoRaWANServer_AppConstants_INCLUDED
