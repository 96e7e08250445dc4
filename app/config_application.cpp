#include "config_application.h"

#include "main_window.h"

void ConfigApplication::CreateMainWindow()
{
    mainWindow = new MainWindow(name);
}
