//
// main.cpp
//
// The entry point of lorawan-listen, the consumer that shows what
// lorawanserver forwards over its Unix-domain socket.
//

#include "tools/listen/ListenApp.h"
#include "tools/listen/ListenConstants.h"
#include "tools/listen/ListenOptions.h"

#include <Poco/Exception.h>

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    using namespace LoRaWANListen;
    ListenOptions options;
    try
    {
        options = ListenOptions::parse(std::vector<std::string>(argv + 1, argv + argc));
    }
    catch (const Poco::Exception& exception)
    {
        std::cerr << "lorawan-listen: " << exception.message() << "\n";
        return EXIT_USAGE;
    }
    if (options.help)
    {
        std::cout << ListenOptions::usage();
        return EXIT_NORMAL;
    }
    if (options.version)
    {
        std::cout << "lorawan-listen " << LORAWAN_VERSION << "\n";
        return EXIT_NORMAL;
    }
    try
    {
        ListenApp app(options, ::isatty(STDOUT_FILENO) == 1);
        return app.run();
    }
    catch (const Poco::Exception& exception)
    {
        std::cerr << "lorawan-listen: " << exception.message() << "\n";
        return EXIT_RUN_FAILURE;
    }
}
