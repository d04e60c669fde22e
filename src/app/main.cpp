#include "forms/main/calbreyapplication.h"

int main(int argc, char *argv[])
{
    return RunCalbrey(argc, argv);
}
