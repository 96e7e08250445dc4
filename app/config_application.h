// ConfigApplication: the program's one application object. It differs from the framework's
// only in the main window it makes: the tool's MainWindow, captioned with the name.
#pragma once

#include "application.h"

class ConfigApplication : public Application {
public:
    static constexpr const char* NAME = "MEQ config";

    // The base cannot reach the override of CreateMainWindow while it is being built,
    // hence the start-up from here.
    ConfigApplication() : Application(NAME, StartUpLater{}) { StartUp(); }

    void CreateMainWindow() override;
};
