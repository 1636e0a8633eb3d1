//
// TempDir.cpp
//
// Implementation of the TempDir test helper.
//

#include "TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <unistd.h>

namespace PicoGwEmuTest
{

TempDir::TempDir()
{
    char pattern[] = "/tmp/pgemu.XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    _path = pattern;
}

TempDir::~TempDir()
{
    const std::string command = "rm -rf '" + _path + "'";
    if (std::system(command.c_str()) != 0)
        std::cerr << "could not remove " << _path << std::endl;
}

std::string TempDir::file(const std::string& name) const
{
    return _path + "/" + name;
}

void TempDir::write(const std::string& name, const std::string& content) const
{
    std::ofstream(file(name)) << content;
}

} // namespace PicoGwEmuTest
