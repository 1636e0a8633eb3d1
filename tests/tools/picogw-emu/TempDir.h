//
// TempDir.h
//
// Test helper: a private directory for one test.
//

#ifndef PicoGwEmuTest_TempDir_INCLUDED
#define PicoGwEmuTest_TempDir_INCLUDED

#include <chrono>
#include <string>

namespace PicoGwEmuTest
{

/// Generous waits: the tests must hold on a loaded two-core machine.
constexpr std::chrono::seconds PATIENCE{20};

class TempDir
/// A private directory under /tmp, removed with its files.
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(const std::string& name) const;
    /// Returns the path of a file in the directory (short enough for the HAL).

    void write(const std::string& name, const std::string& content) const;
    /// Creates the file with the content.

private:
    std::string _path;
};

} // namespace PicoGwEmuTest

#endif // PicoGwEmuTest_TempDir_INCLUDED
