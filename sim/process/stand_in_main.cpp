// The program behind `qevsim process-start`: copied under the image name a test wants to see in a
// process snapshot, it does nothing and lives until qevsim ends it.
#include <windows.h>

int main()
{
    ::Sleep(INFINITE);
    return 0;
}
