//
// FuzzCheck.cpp
//
// Implementation of the fuzz targets' check.
//

#include "fuzz/FuzzCheck.h"

#include <cstdlib>
#include <unistd.h>

namespace LoRaWANFuzz
{

namespace
{

// libFuzzer's -close_fd_mask silences a chatty target by discarding its
// standard error after start-up; a copy taken before that keeps the reason of
// a failure visible next to the crash report.
const int REPORT_FD = ::dup(STDERR_FILENO);

} // namespace

void fail(const char* file, int line, const std::string& what)
{
    const std::string text =
        std::string(file) + ":" + std::to_string(line) + ": property violated: " + what + "\n";
    const ssize_t written = ::write(REPORT_FD >= 0 ? REPORT_FD : STDERR_FILENO, text.data(), text.size());
    (void)written; // nothing better to do: the abort follows either way
    std::abort();
}

} // namespace LoRaWANFuzz
