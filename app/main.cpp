//
// main.cpp
//
// The entry point of the service.
//

#include "app/AppConstants.h"
#include "app/LoRaWANServerApp.h"
#include "app/ServiceHelp.h"
#include "utility/ProcessExit.h"

#include <Poco/Exception.h>

#include <cerrno>
#include <iostream>

int main(int argc, char** argv)
{
    try
    {
        LoRaWANServerApp app;
        const int status = app.run(argc, argv);
        // The frame has reported what was wrong with the command line.
        if (status == Poco::Util::Application::EXIT_CONFIG)
            ServiceHelp::writeHelpHint(std::cerr, program_invocation_short_name);
        if (app.workerFrozen())
        {
            // Static destruction would wait for the frozen worker's pool thread
            // and destroy what it still uses.
            Zel::Utility::ProcessExit::exitProcess(status);
        }
        return status;
    }
    catch (Poco::Exception& exc)
    {
        std::cerr << exc.displayText() << std::endl;
        return EXIT_APPLICATION_FAILURE;
    }
}
