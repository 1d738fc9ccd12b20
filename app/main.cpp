// The program's entry point: everything happens in AfxWinMain.
#include "app/AfxWinMain.h"

int main(int argc, char** argv)
{
    return AfxWinMain(argc, argv);
}
