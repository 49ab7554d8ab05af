#include "app/CaptureApp.h"

int main(int argc, char **argv)
{
    return theApp.WinMain(argc, argv);
}
