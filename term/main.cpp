// qorvel-ascii: configuration and monitoring of the routers from a terminal.
#include "driver.h"

int main(int argc, char** argv)
{
    return ASCIIMain(argc, argv);
}
