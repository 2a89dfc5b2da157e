#include "PanelApp.h"

int main(int argc, char* argv[])
{
    CPanelApp panel;
    return panel.Run(argc, argv);
}
