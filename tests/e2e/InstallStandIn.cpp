// Stands in for ParvexMenu: runs until asked to quit, and takes a moment to
// quit, as the menu app does while it unmounts its volumes.
#include <signal.h>
#include <unistd.h>

int main()
{
    ::signal(SIGTERM, [](int) {
        ::usleep(300 * 1000);
        ::_exit(0);
    });
    for (;;)
        ::pause();
}
